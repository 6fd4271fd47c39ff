#include "hotel/CheckInSession.h"

#include "db/CDatabase.h"
#include "db/sets/CHotalSet.h"
#include "prompt/Prompt.h"

namespace qalor {

CheckInSession::Outcome CheckInSession::registerGuest(const CheckInForm& form)
{
    CHotalSet stays;
    stays.setFilter(QStringLiteral("是否已经结帐=0 AND 分机号=?"), {form.extension});
    try {
        stays.open();
    } catch (...) {
        Prompt::inform(QStringLiteral("打开宾馆管理表出错，请与程序供应商联系！"));
        return Outcome::OpenFailed;
    }

    Outcome outcome = Outcome::Failed;
    runGuarded(QStringLiteral("something is wrong in operating hotaltable. need redo your job! "), [&] {
        using C = CHotalSet;
        const QString date = form.date.toString(QStringLiteral("yyMMdd"));
        const QString time = form.time.toString(QStringLiteral("HHmmss"));
        if (stays.isEOF()) {
            stays.addNew();
            stays.setValue(C::Accrued, 0.0f);
            stays.setValue(C::CheckInDate, date);
            stays.setValue(C::CheckInTime, time);
            stays.setValue(C::ServiceRatio, form.serviceRatio);
            stays.setValue(C::Room, form.room);
            stays.setValue(C::Extension, form.extension);
            stays.setValue(C::CheckedOut, 0);
            stays.setValue(C::Deposit, form.deposit);
            stays.setValue(C::ClassDescription, form.levelText);
            stays.setValue(C::GuestName, form.guest);
            try {
                stays.update();
            } catch (...) {
                stays.cancelUpdate();
                throw;
            }
        } else {
            if (!Prompt::askOkCancel(
                    QStringLiteral("该分机已经登记，\n更改登记按‘确定’，\n保留原登记按‘取消’！"))) {
                stays.close();
                outcome = Outcome::Kept;
                return;
            }
            overwrite(form, date, time);
        }
        stays.close();
        m_list.addExtension(form.extension, form.levelText);
        outcome = Outcome::Registered;
    });
    return outcome;
}

void CheckInSession::overwrite(const CheckInForm& form, const QString& date, const QString& time)
{
    // The open row is changed in place by its extension, not from the copy
    // read before the question: calls keep being added to it meanwhile. Its
    // charges start again at 0, so the calls linked to it leave the bill.
    CDatabase& db = CDatabase::shared();
    CTransaction transaction(db);
    QSqlQuery unlink = db.prepare(QStringLiteral(
        "DELETE FROM 宾馆通话表 WHERE 分机号=? AND EXISTS (SELECT 1 FROM 宾馆管理表 h WHERE h.是否已经结帐=0 "
        "AND "
        "h.分机号=宾馆通话表.分机号 AND h.入住日期=宾馆通话表.入住日期 AND h.入住时间=宾馆通话表.入住时间)"));
    unlink.addBindValue(form.extension);
    CDatabase::exec(unlink);
    QSqlQuery change = db.prepare(QStringLiteral(
        "UPDATE 宾馆管理表 SET 结帐金额=0, 入住日期=?, 入住时间=?, 服务费比例=?, 房间号=?, 押金=?, "
        "分机级别描述=?, 旅客姓名=? WHERE 是否已经结帐=0 AND 分机号=?"));
    for (const QVariant& value :
         {QVariant(date), QVariant(time), QVariant(double(form.serviceRatio)),
          QVariant(form.room.isNull() ? QStringLiteral("") : form.room), QVariant(double(form.deposit)),
          QVariant(form.levelText), QVariant(form.guest.isNull() ? QStringLiteral("") : form.guest),
          QVariant(form.extension)})
        change.addBindValue(value);
    CDatabase::exec(change);
    transaction.commit();
}

DialogStep CheckInSession::registerAndClose(const CheckInForm& form)
{
    if (form.extension.isEmpty())
        return m_list.isEmpty() ? DialogStep::CloseCancel : DialogStep::CloseOk;
    registerGuest(form);
    // Whatever happened to this guest, the ones registered before get their
    // class changes.
    return DialogStep::CloseOk;
}

DialogStep CheckInSession::registerNext(const CheckInForm& form)
{
    if (form.extension.isEmpty()) {
        Prompt::inform(QStringLiteral("请输入分机号!"));
        return DialogStep::Stay;
    }
    switch (registerGuest(form)) {
    case Outcome::Registered:
    case Outcome::OpenFailed:
        return DialogStep::StayClear;
    case Outcome::Kept:
    case Outcome::Failed:
        break;
    }
    return DialogStep::Stay;
}

} // namespace qalor
