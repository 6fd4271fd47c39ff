#include "db/TableRegistry.h"

namespace qalor {

namespace {

using T = ColumnType;

ColumnDef text(const char* name) { return {QString::fromUtf8(name), T::Text}; }
ColumnDef int16(const char* name) { return {QString::fromUtf8(name), T::Int16}; }
ColumnDef int32(const char* name) { return {QString::fromUtf8(name), T::Int32}; }
ColumnDef single(const char* name) { return {QString::fromUtf8(name), T::Single}; }
ColumnDef real(const char* name) { return {QString::fromUtf8(name), T::Double}; }
ColumnDef bit(const char* name) { return {QString::fromUtf8(name), T::Bit}; }
// Amounts of money: rates, ratios and other parameters are not.
ColumnDef singleMoney(const char* name) { return {QString::fromUtf8(name), T::Single, false, true}; }
ColumnDef realMoney(const char* name) { return {QString::fromUtf8(name), T::Double, false, true}; }

TableDef table(const char* name, QList<ColumnDef> columns)
{
    return {QString::fromUtf8(name), std::move(columns), {}};
}

TableDef keyed(TableDef def, std::initializer_list<const char*> key)
{
    for (const char* column : key)
        def.key << QString::fromUtf8(column);
    return def;
}

// 话费表, 话费表备份 and HF share this column order: rows are copied between
// them with "SELECT *".
QList<ColumnDef> callCostColumns()
{
    return {text("主叫号"), text("被叫号"),     text("日期"),   text("时间"),
            single("时长"), single("费率"),     single("计费单位数"), singleMoney("通话费"),
            singleMoney("服务费"), singleMoney("附加费"), text("通达地"), int32("统计类型")};
}

} // namespace

namespace Tables {

#define QALOR_TABLE(fn, ...)                                                                                 \
    const TableDef& fn()                                                                                     \
    {                                                                                                        \
        static const TableDef def = __VA_ARGS__;                                                             \
        return def;                                                                                          \
    }

QALOR_TABLE(callCost, table("话费表", callCostColumns()))
QALOR_TABLE(callCostBackup, table("话费表备份", callCostColumns()))
QALOR_TABLE(callCostWork, table("HF", callCostColumns()))
QALOR_TABLE(rate, keyed(table("费率表", {text("区号"), single("费率"), text("地区"), int16("计费单位"),
                                         int16("折扣类型"), single("附加费费率"), int16("统计类型")}),
                        {"区号"}))
QALOR_TABLE(rate31, keyed(table("rate31", {text("区号"), text("地区"), int16("折扣类型"), int16("统计类型"),
                                           real("费率2"), real("附加费率2"), real("附加费率1"), real("费率1"),
                                           int32("时长1"), int32("时长2")}),
                          {"区号"}))
QALOR_TABLE(timeDiscount,
            table("分时折扣率表", {int16("折扣类型"), text("起始时间"), text("结束时间"), single("折扣率")}))
QALOR_TABLE(dayDiscount, keyed(table("节假日折扣率表", {int16("折扣类型"), text("日期"), single("折扣率")}),
                               {"折扣类型", "日期"}))
QALOR_TABLE(weekDiscount, keyed(table("星期折扣率表", {int32("星期"), int32("折扣类型"), real("折扣率")}),
                                {"星期", "折扣类型"}))
QALOR_TABLE(callType,
            keyed(table("呼叫类型表", {int32("呼叫类型"), int32("计费否"), text("描述")}), {"呼叫类型"}))
QALOR_TABLE(callerCos, keyed(table("服务级别计费表", {int32("服务级别"), int32("计费否")}), {"服务级别"}))
QALOR_TABLE(trunkGroup, keyed(table("中继组", {int32("中继组号"), int32("计费否")}), {"中继组号"}))
QALOR_TABLE(countType, keyed(table("统计类型表", {int16("统计类型"), text("类型描述")}), {"统计类型"}))
QALOR_TABLE(cdrLayout,
            table("CDR字段定义表", {int32("输出序号"), text("字段名"), int32("字段长"), int32("是否输出")}))
QALOR_TABLE(cdrRaw, table("cdr表", {text("呼叫记录")}))
QALOR_TABLE(cdrSave, table("CDRSave", {bit("是否保存CDR")}))
QALOR_TABLE(comPort, table("串口表", {int32("串口号")}))
QALOR_TABLE(dialCode, keyed(table("分机拨号变换表", {text("分机号头"), text("拨号号头")}), {"分机号头"}))
QALOR_TABLE(discountType, keyed(table("折扣类型表", {int16("折扣类型"), text("描述")}), {"折扣类型"}))

QALOR_TABLE(user, keyed(table("用户信息表",
                              {text("电话号码"), text("用户名"), text("电路位置"), text("电话级别"),
                               text("安装地点"), text("安装时间"), bit("是否公费"), bit("是否宿舍电话"),
                               singleMoney("月租费"), int16("部门编号"), text("拆除日期")}),
                        {"电话号码"}))
QALOR_TABLE(department,
            keyed(table("部门表", {text("部门名"), int16("部门编号"), single("管理费比率")}), {"部门编号"}))
QALOR_TABLE(tj, table("tj", {text("电话号码"), text("用户名"), singleMoney("月租费"), bit("是否宿舍电话"),
                             int16("部门编号"), text("部门名"), realMoney("市话"), realMoney("本地网"),
                             realMoney("长途"), realMoney("信息台等")}))
QALOR_TABLE(bmtj, table("BMTJ", {int16("部门编号"), text("部门名"), realMoney("月租费"), realMoney("市话"),
                                 realMoney("本地网"), realMoney("长途"), realMoney("信息台等")}))
QALOR_TABLE(tempCount, table("临时统计表", {text("主叫号"), int16("统计类型"), realMoney("费用")}))
QALOR_TABLE(countHistory,
            table("统计历史记录表", {text("统计起始日期"), text("统计结束日期"), text("统计操作日期")}))
QALOR_TABLE(hotel, table("宾馆管理表", {text("分机号"), text("房间号"), text("入住日期"), text("入住时间"),
                                        text("退房日期"), text("退房时间"), singleMoney("结帐金额"),
                                        bit("是否已经结帐"), single("服务费比例"), singleMoney("押金"),
                                        text("分机级别描述"), text("旅客姓名")}))
// Which calls were added to which stay: the stay by its extension (the
// calls' 主叫号) and check-in moment, the call by its number and start. Written
// in the call's own transaction together with the stay's 结帐金额, so the
// itemised bill lists exactly the calls its total holds.
QALOR_TABLE(hotelCall, table("宾馆通话表", {text("分机号"), text("入住日期"), text("入住时间"),
                                            text("被叫号"), text("日期"), text("时间")}))
QALOR_TABLE(hotelSettings,
            table("宾馆分机升降级设置表",
                  {bit("升降级方式"), bit("是否自动升降级"), text("用户名"), text("口令"), int32("国际长途级别"),
                   int32("国内长途级别"), int32("市话级别"), int32("最低分机级别"), int32("串口号"),
                   text("国际长途升级代码"), text("国内长途升级代码"), text("市话升级代码"),
                   text("默认级别升级代码"), text("数据库")}))
QALOR_TABLE(stationChangeInfo, table("分机级别更改记录表", {text("分机号"), text("级别信息"), text("日期")}))
QALOR_TABLE(password, keyed(table("管理员口令表", {text("管理员名"), text("口令")}), {"管理员名"}))
QALOR_TABLE(loginfo, table("LOGINFO", {{QStringLiteral("ID"), T::Int32, true},
                                       text("管理员名"),
                                       text("操作"),
                                       text("操作结果"),
                                       text("日期"),
                                       text("时间")}))
QALOR_TABLE(phoneQuery, table("电话查询", {text("分机号"), text("用户名"), text("口令")}))

// One row per rule. 规则类型 says which of the threshold columns it reads
// (AlertRule::Kind); 分机号 and 部门编号 narrow it to one extension or one
// department (empty, 0: every caller).
QALOR_TABLE(alertRule,
            keyed(table("告警规则表",
                        {int32("规则编号"), text("规则名称"), int16("规则类型"), singleMoney("金额"),
                         int32("通话秒数"), text("号头"), text("起始时间"), text("结束时间"), int32("次数"),
                         int32("分钟数"), text("分机号"), int16("部门编号"), bit("是否启用")}),
                  {"规则编号"}))
// One row per call and rule that matched it: the call by the columns that
// tell one call of the exchange from another (caller, number, date, start,
// length), unique together with the rule, so that a call checked again
// (a replay, a batch computed again) adds nothing.
QALOR_TABLE(alertLog, table("告警记录表", {{QStringLiteral("ID"), T::Int32, true},
                                           text("主叫号"),
                                           text("被叫号"),
                                           text("日期"),
                                           text("时间"),
                                           int32("通话秒数"),
                                           singleMoney("话费"),
                                           int32("规则编号"),
                                           text("规则名称"),
                                           text("告警说明"),
                                           text("告警日期"),
                                           text("告警时间"),
                                           text("确认人"),
                                           text("确认日期"),
                                           text("确认时间")}))

#undef QALOR_TABLE

} // namespace Tables

const QList<const TableDef*>& TableRegistry::all()
{
    using namespace Tables;
    static const QList<const TableDef*> tables = {
        &callCost(),   &callCostBackup(), &callCostWork(), &rate(),         &rate31(),       &timeDiscount(),
        &dayDiscount(), &weekDiscount(),  &callType(),     &callerCos(),    &trunkGroup(),   &countType(),
        &cdrLayout(),  &cdrRaw(),         &cdrSave(),      &comPort(),      &dialCode(),     &discountType(),
        &user(),       &department(),     &tj(),           &bmtj(),         &tempCount(),    &countHistory(),
        &hotel(),      &hotelSettings(),  &stationChangeInfo(), &password(), &loginfo(),     &phoneQuery(),
        &alertRule(),  &alertLog(),       &hotelCall()};
    return tables;
}

const TableDef* TableRegistry::find(const QString& name)
{
    for (const TableDef* def : all())
        if (def->name.compare(name, Qt::CaseInsensitive) == 0)
            return def;
    return nullptr;
}

} // namespace qalor
