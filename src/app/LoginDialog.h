#pragma once

#include <QDialog>

class QLineEdit;

namespace qalor {

// Dialog 131: the administrator's name and password. It only collects them;
// AdminSession decides.
class LoginDialog : public QDialog
{
    Q_OBJECT
public:
    explicit LoginDialog(QWidget* parent = nullptr);

    QString name() const;
    QString password() const;
    QLineEdit* nameEdit() const { return m_name; }
    QLineEdit* passwordEdit() const { return m_password; }

private:
    QLineEdit* m_name;
    QLineEdit* m_password;
};

} // namespace qalor
