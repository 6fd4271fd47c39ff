#include "hotel/CheckOutSession.h"

#include "db/sets/CHotalSet.h"
#include "prompt/Prompt.h"
#include "hotel/StayCharges.h"

namespace qalor {

CheckOutSession::Outcome CheckOutSession::settle(const QString& extension, const QDate& date,
                                                 const QTime& time, Money& amountDue)
{
    Outcome outcome = Outcome::Failed;
    runGuarded(QStringLiteral("something is wrong in operating hotaltable. need redo your job! "), [&] {
        CHotalSet stays;
        stays.setFilter(QStringLiteral("分机号=? and 是否已经结帐=0"), {extension});
        stays.open();
        if (stays.recordCount() == 0) {
            Prompt::inform(QStringLiteral("该分机尚未登记!请先登记."));
            outcome = Outcome::NotRegistered;
            return;
        }
        if (stays.recordCount() > 1) {
            Prompt::inform(QStringLiteral("同一分机多次登记!请先更正."));
            outcome = Outcome::SeveralOpen;
            return;
        }
        stays.moveFirst();
        stays.edit();
        stays.setValue(CHotalSet::CheckOutDate, date.toString(QStringLiteral("yyMMdd")));
        stays.setValue(CHotalSet::CheckOutTime, time.toString(QStringLiteral("HHmmss")));
        stays.setValue(CHotalSet::CheckedOut, 1);
        try {
            stays.update();
        } catch (...) {
            stays.cancelUpdate();
            throw;
        }
        amountDue = StayCharges::at(Money::fromStored(stays.single(CHotalSet::Accrued)),
                                    stays.single(CHotalSet::ServiceRatio))
                        .total();
        m_settledExtension = extension;
        m_settledRoom = stays.text(CHotalSet::Room).trimmed();
        m_settledDeposit = Money::fromStored(stays.single(CHotalSet::Deposit));
        stays.close();
        m_list.addExtension(extension);
        outcome = Outcome::Settled;
    });
    return outcome;
}

DialogStep CheckOutSession::settleAndClose(const QString& extension, const QDate& date, const QTime& time)
{
    const DialogStep nothingSettled = m_list.isEmpty() ? DialogStep::CloseCancel : DialogStep::CloseOk;
    if (extension.isEmpty())
        return nothingSettled;
    Money due;
    switch (settle(extension, date, time, due)) {
    case Outcome::Settled:
        return DialogStep::CloseOk;
    case Outcome::SeveralOpen:
        return nothingSettled;
    case Outcome::NotRegistered:
    case Outcome::Failed:
        break;
    }
    return DialogStep::Stay;
}

DialogStep CheckOutSession::settleNext(const QString& extension, const QDate& date, const QTime& time)
{
    if (extension.isEmpty()) {
        Prompt::inform(QStringLiteral("请先输入分机号!"));
        return DialogStep::Stay;
    }
    Money due;
    if (settle(extension, date, time, due) != Outcome::Settled)
        return DialogStep::Stay;
    m_amountText = FormatMoney(due);
    return DialogStep::StayClear;
}

} // namespace qalor
