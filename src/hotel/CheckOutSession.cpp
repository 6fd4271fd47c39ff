#include "hotel/CheckOutSession.h"

#include "db/SqlDialectText.h"
#include "db/sets/CHotalSet.h"
#include "hotel/StayCharges.h"
#include "prompt/Prompt.h"

namespace qalor {

QString CheckOutSession::confirmText(const QString& extension, const QString& room, Money due, Money deposit)
{
    return QStringLiteral("分机号: %1\n房间号: %2\n结帐金额: %3\n押金: %4\n\n确定退房结算吗?")
        .arg(extension, room, due.text(), deposit.text());
}

CheckOutSession::Outcome CheckOutSession::settle(const QString& extension, const QDate& date,
                                                 const QTime& time, Money& amountDue)
{
    Outcome outcome = Outcome::Failed;
    runGuarded(QStringLiteral("something is wrong in operating hotaltable. need redo your job! "), [&] {
        for (;;) {
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
            const Money accrued = Money::fromStored(stays.single(CHotalSet::Accrued));
            const Money due = StayCharges::at(accrued, stays.single(CHotalSet::ServiceRatio)).total();
            const Money deposit = Money::fromStored(stays.single(CHotalSet::Deposit));
            const QString room = stays.text(CHotalSet::Room).trimmed();
            stays.close();
            if (!Prompt::askOkCancel(confirmText(extension, room, due, deposit))) {
                outcome = Outcome::Declined;
                return;
            }
            CDatabase& db = CDatabase::shared();
            CTransaction transaction(db);
            QSqlQuery close = db.prepare(
                QStringLiteral(
                    "UPDATE 宾馆管理表 SET 退房日期=?, 退房时间=?, 是否已经结帐=1 WHERE 是否已经结帐=0 "
                    "AND 分机号=? AND ") +
                centsOf(db.dialect(), QStringLiteral("结帐金额")) + QStringLiteral("=?"));
            close.addBindValue(date.toString(QStringLiteral("yyMMdd")));
            close.addBindValue(time.toString(QStringLiteral("HHmmss")));
            close.addBindValue(extension);
            close.addBindValue(accrued.cents());
            CDatabase::exec(close);
            if (close.numRowsAffected() != 1)
                continue; // a call was added since the amount was shown: show it again
            transaction.commit();
            amountDue = due;
            m_settledExtension = extension;
            m_settledRoom = room;
            m_settledDeposit = deposit;
            m_list.addExtension(extension);
            outcome = Outcome::Settled;
            return;
        }
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
    case Outcome::Declined:
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
