#include "editors/EditorTable.h"

#include "gui/GridModel.h"

namespace qalor {

namespace {

QString u(const char* text)
{
    return QString::fromUtf8(text);
}

EditorDef editor(int command, const char* menu, const char* dialog, const char* source, ModifyMode mode,
                 const char* modify, const char* confirm, const char* back, AfterConfirm after,
                 EditorDef::Extra extra = EditorDef::Extra::None)
{
    return {command, u(menu), u(dialog), u(source), mode, u(modify), u(confirm), u(back), after, extra};
}

} // namespace

const QList<EditorDef>& EditorTable::all()
{
    using M = ModifyMode;
    using A = AfterConfirm;
    using X = EditorDef::Extra;
    static const QList<EditorDef> editors = {
        editor(32790, "基本费率设置", "", "SELECT * FROM 费率表 ORDER BY 区号 DESC,折扣类型", M::Full, "修改",
               "确认", "返回", A::ReloadRates, X::RateCheck),
        editor(32820, "3+1费率表设置", "3+1费率表",
               "SELECT 区号,时长1,费率1,附加费率1,时长2,费率2,附加费率2,折扣类型,地区,统计类型 FROM RATE31 "
               "ORDER BY 区号,折扣类型",
               M::Full, "修改", "确认", "返回", A::ReloadRate31),
        editor(32778, "分时段折扣设置", "", "Select * from 分时折扣率表", M::Full, "修改", "确认", "返回",
               A::ClearTimeBandsMark),
        editor(32793, "节假日折扣设置", "节假日折扣", "select * from  节假日折扣率表 ORDER BY  日期, 折扣类型",
               M::Full, "修改", "确认", "返回", A::ReloadHolidays),
        editor(32807, "星期折扣设置", "星期折扣表", "SELECT * FROM 星期折扣率表 ORDER BY 星期,折扣类型",
               M::Weekday, "修  改", "确  认", "返  回", A::ReloadWeekdays),
        editor(32794, "折扣类型设置", "", "SELECT * FROM 折扣类型表", M::Full, "修改", "", "返回", A::Nothing),
        editor(32804, "呼叫类型计费设置", "呼叫类型", "SELECT * FROM 呼叫类型表 呼叫类型 ", M::Update, "修改",
               "确认", "返回", A::ClearCallTypesMark),
        editor(32805, "分机级别计费设置", "主叫服务级别计费设置", "SELECT * FROM 服务级别计费表 ORDER BY 服务级别",
               M::Update, "修改", "确认", "返回", A::ClearCallerCosMark),
        editor(32806, "中继组计费设置", "中继组", "select * from 中继组", M::Update, "修改", "确认", "返回",
               A::ClearTrunkGroupsMark),
        editor(32791, "部门设置", "", "Select * from 部门表 ORDER BY 部门编号", M::Full, "修改", "", "返回",
               A::Nothing),
        editor(32792, "分机设置", "", "SELECT * FROM 用户信息表  ORDER BY 部门编号,电话号码", M::Full,
               "修     改", "确     认", "返     回", A::Nothing, X::ExtensionFilter),
        editor(32821, "统计类型设置", "统计类型表", "SELECT * FROM 统计类型表", M::None, "", "", "返       回",
               A::Nothing, X::CountTypeNote),
        editor(32850, "告警规则设置", "告警规则", "SELECT * FROM 告警规则表 ORDER BY 规则编号", M::Full,
               "修改", "确认", "返回", A::ReloadAlertRules, X::AlertRules),
        editor(32832, "语音话费查询密码", "语音话费查询用户信息表", "select * from 电话查询  ORDER BY 分机号",
               M::None, "", "", "返回", A::Nothing),
    };
    return editors;
}

const EditorDef* EditorTable::find(int command)
{
    for (const EditorDef& def : all())
        if (def.command == command)
            return &def;
    return nullptr;
}

QString EditorTable::applyModify(ModifyMode mode, GridModel& model, bool loggedIn)
{
    switch (mode) {
    case ModifyMode::Full:
        if (!loggedIn)
            return QStringLiteral("You no rights to change Data!");
        model.setAllowAddNew(true);
        model.setAllowDelete(true);
        model.setAllowUpdate(true);
        model.setAllowArrows(true);
        break;
    case ModifyMode::Update:
        if (loggedIn)
            model.setAllowUpdate(true);
        break;
    case ModifyMode::Weekday:
        model.setAllowAddNew(loggedIn);
        model.setAllowDelete(loggedIn);
        model.setAllowUpdate(loggedIn);
        break;
    case ModifyMode::None:
        break;
    }
    return {};
}

} // namespace qalor
