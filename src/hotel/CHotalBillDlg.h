#pragma once

#include "print/ReportPainter.h"

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace qalor {

// Dialog "出结帐单": the itemised list or the simple bill of an extension's
// latest settled stay, printed, previewed or saved as a PDF file.
class CHotalBillDlg : public QDialog
{
    Q_OBJECT
public:
    enum Output { Printer, Preview, Pdf };

    // extension fills 电话号码, and the guest and room of its latest settled
    // stay (the check-out hands the one it settled).
    explicit CHotalBillDlg(QWidget* parent = nullptr, const QString& extension = QString());

    QLineEdit* guestEdit() const { return m_guest; }
    QLineEdit* extensionEdit() const { return m_extension; }
    QLineEdit* roomEdit() const { return m_room; }
    QComboBox* outputBox() const { return m_output; }

    void printList();
    void printSimpleBill();

private:
    // The extension typed, or a request for one and false.
    bool extensionGiven() const;
    void hand(const ReportBuilder& build, const QString& suggestedName);

    QLineEdit* m_guest;
    QLineEdit* m_extension;
    QLineEdit* m_room;
    QComboBox* m_output;
};

} // namespace qalor
