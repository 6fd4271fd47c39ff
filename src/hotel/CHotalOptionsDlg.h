#pragma once

#include "hotel/HotelSettingsForm.h"

#include <QDialog>

class QCheckBox;
class QFormLayout;
class QLineEdit;
class QRadioButton;

namespace qalor {

// Dialog "宾馆功能选项设置": the route and values of the class changes.
// Confirming checks every value first (nothing is stored while one is out of
// range), then writes the settings row; a row that cannot be written is
// shown with the database's text.
class CHotalOptionsDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CHotalOptionsDlg(QWidget* parent = nullptr);

    HotelSettingsForm form() const;
    void setForm(const HotelSettingsForm& form);

    QRadioButton* dcaButton() const { return m_dca; }
    QRadioButton* modemButton() const { return m_modem; }
    QLineEdit* edit(const QString& label) const;

public slots:
    void accept() override;

private:
    QLineEdit* addEdit(QFormLayout* form, const QString& label);

    QRadioButton* m_dca;
    QRadioButton* m_modem;
    QCheckBox* m_auto;
    QList<QLineEdit*> m_edits;
};

} // namespace qalor
