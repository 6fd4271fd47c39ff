#pragma once

#include "hotel/CheckOutSession.h"

#include <QDateTime>
#include <QDialog>
#include <functional>

class QDateEdit;
class QLabel;
class QLineEdit;
class QTimeEdit;

namespace qalor {

// Dialog "宾馆退房": settles the open stay of one extension after the other;
// each settlement shows room, amount due and deposit and asks first.
// "打印帐单" opens the bill dialog. It opens with the cursor in 电话号码; a
// stay ends when the button is pressed unless the date or time was set by
// hand.
class CCheckOutDlg : public QDialog
{
    Q_OBJECT
public:
    // printBill runs the bill dialog for an extension (the caller decides how
    // dialogs run).
    explicit CCheckOutDlg(std::function<void(const QString&)> printBill, QWidget* parent = nullptr);

    const ChangeList& changeList() const { return m_session.changeList(); }

    QDateEdit* dateEdit() const { return m_date; }
    QTimeEdit* timeEdit() const { return m_time; }
    QLineEdit* extensionEdit() const { return m_extension; }
    QLabel* amountLabel() const { return m_amount; }
    QLabel* settledLabel() const { return m_settled; }
    QLabel* depositLabel() const { return m_deposit; }

    // The extension "打印帐单" bills: the one typed, else the one settled last.
    QString billExtension() const;

    void settleAndClose();
    void settleNext();

private:
    CheckOutSession m_session;
    QDateTime m_shown; // what the pickers showed when the dialog set them last
    QDateEdit* m_date;
    QTimeEdit* m_time;
    QLineEdit* m_extension;
    QLineEdit* m_room;
    QLabel* m_amount;
    QLabel* m_settled;
    QLabel* m_deposit;
};

} // namespace qalor
