#include "hotel/CheckInSession.h"

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
        if (stays.isEOF()) {
            stays.addNew();
        } else {
            if (!Prompt::askOkCancel(
                    QStringLiteral("该分机已经登记，\n更改登记按‘确定’，\n保留原登记按‘取消’！"))) {
                stays.close();
                outcome = Outcome::Kept;
                return;
            }
            stays.moveFirst();
            stays.edit();
        }
        using C = CHotalSet;
        stays.setValue(C::Accrued, 0.0f);
        stays.setValue(C::CheckInDate, form.date.toString(QStringLiteral("yyMMdd")));
        stays.setValue(C::CheckInTime, form.time.toString(QStringLiteral("HHmmss")));
        stays.setValue(C::ServiceRatio, form.serviceRatio);
        stays.setValue(C::Room, form.room);
        stays.setValue(C::Extension, form.extension);
        stays.setValue(C::CheckedOut, 0);
        stays.setValue(C::Deposit, form.deposit);
        stays.setValue(C::ClassDescription, form.levelText);
        try {
            stays.update();
        } catch (...) {
            stays.cancelUpdate();
            throw;
        }
        stays.close();
        m_list.addExtension(form.extension, form.levelText);
        outcome = Outcome::Registered;
    });
    return outcome;
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
