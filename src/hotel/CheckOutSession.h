#pragma once

#include "format/Money.h"
#include "hotel/ChangeList.h"
#include "hotel/DialogStep.h"

#include <QDate>
#include <QString>
#include <QTime>

namespace qalor {

// The work behind the check-out dialog's buttons: settles the one open stay
// of an extension and collects the change list. Every settlement first shows
// the extension, room, amount due and deposit and asks to go on; the stay is
// settled only at the amount shown (a call added meanwhile asks again). A
// failure is shown with the database's text and settles nothing; a dialog
// that settled nothing never closes as if it had.
class CheckOutSession
{
public:
    enum class Outcome { Settled, Declined, NotRegistered, SeveralOpen, Failed };

    // "确定/退出"
    DialogStep settleAndClose(const QString& extension, const QDate& date, const QTime& time);
    // "下一分机": after a settlement amountText() holds the amount due.
    DialogStep settleNext(const QString& extension, const QDate& date, const QTime& time);

    const ChangeList& changeList() const { return m_list; }
    const QString& amountText() const { return m_amountText; }
    // The stay settled last: its extension, room and deposit, so the dialog
    // can say whose amount it shows and the bill can be printed for it.
    const QString& settledExtension() const { return m_settledExtension; }
    const QString& settledRoom() const { return m_settledRoom; }
    Money settledDeposit() const { return m_settledDeposit; }

    // The question shown before a stay is settled.
    static QString confirmText(const QString& extension, const QString& room, Money due, Money deposit);

    // Settles the extension's open stay; amountDue is 结帐金额 × (1 + 服务费比例).
    Outcome settle(const QString& extension, const QDate& date, const QTime& time, Money& amountDue);

private:
    ChangeList m_list;
    QString m_amountText;
    QString m_settledExtension;
    QString m_settledRoom;
    Money m_settledDeposit;
};

} // namespace qalor
