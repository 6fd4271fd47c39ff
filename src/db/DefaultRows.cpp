#include "db/DefaultRows.h"

#include "db/RowWriter.h"
#include "db/TableRegistry.h"

namespace qalor {

const QList<CdrFieldRow>& defaultCdrLayout()
{
    // Slot = position in this list. Printed: trace 4, call type 3, record
    // code 2, date block 13, start 6, end 6, calling extension 4, class of
    // service 3, trunk group 2, dialled number 18: a 73-character line.
    static const QList<CdrFieldRow> rows = {
        {0, QStringLiteral("追踪号"), 4, 1},        {1, QStringLiteral("呼叫类型"), 3, 1},
        {2, QStringLiteral("记录代码"), 2, 1},      {3, QStringLiteral("中继呼叫标志"), 1, 0},
        {4, QStringLiteral("呼叫状态"), 2, 0},      {5, QStringLiteral("日期"), 13, 1},
        {6, QStringLiteral("起始时间"), 6, 1},      {7, QStringLiteral("结束时间"), 6, 1},
        {8, QStringLiteral("通话时长"), 6, 0},      {9, QStringLiteral("振铃时长"), 4, 0},
        {10, QStringLiteral("主叫分机号"), 4, 1},   {11, QStringLiteral("主叫话务员号"), 4, 0},
        {12, QStringLiteral("主叫设备号"), 8, 0},   {13, QStringLiteral("主叫中继号"), 4, 0},
        {14, QStringLiteral("主叫服务级别"), 3, 1}, {15, QStringLiteral("被叫分机号"), 4, 0},
        {16, QStringLiteral("被叫设备号"), 8, 0},   {17, QStringLiteral("账号"), 12, 0},
        {18, QStringLiteral("授权码"), 8, 0},       {19, QStringLiteral("转接分机号"), 4, 0},
        {20, QStringLiteral("出中继号"), 4, 0},     {21, QStringLiteral("中继组号"), 2, 1},
        {22, QStringLiteral("入中继号"), 4, 0},     {23, QStringLiteral("话务员号"), 2, 0},
        {24, QStringLiteral("拨号号码"), 18, 1},    {25, QStringLiteral("计费脉冲"), 5, 0},
        {26, QStringLiteral("主叫识别号"), 7, 0},
    };
    return rows;
}

void insertDefaultRows(CDatabase& db, const TableDef& table, const QString& headkeeperPassword)
{
    RowWriter rows(db, table);
    if (&table == &Tables::cdrLayout()) {
        for (const CdrFieldRow& field : defaultCdrLayout())
            rows.append({field.sequence, field.name, field.width, field.output});
    } else if (&table == &Tables::countType()) {
        rows.append({0, QStringLiteral("市话")});
        rows.append({1, QStringLiteral("本地网")});
        rows.append({2, QStringLiteral("长途")});
        rows.append({3, QStringLiteral("信息台等")});
    } else if (&table == &Tables::comPort()) {
        rows.append({1});
    } else if (&table == &Tables::cdrSave()) {
        rows.append({0});
    } else if (&table == &Tables::password()) {
        rows.append({QStringLiteral("Headkeeper"), headkeeperPassword});
    } else if (&table == &Tables::callType()) {
        // The editors of the three billability tables only change existing
        // rows, so every code has its row, billed by default.
        for (int code = 0; code < 12; ++code)
            rows.append({code, 1, QStringLiteral("呼叫类型%1").arg(code)});
    } else if (&table == &Tables::callerCos()) {
        for (int cos = 0; cos < 256; ++cos)
            rows.append({cos, 1});
    } else if (&table == &Tables::alertRule()) {
        // 规则编号, 规则名称, 规则类型, 金额, 通话秒数, 号头, 起始时间, 结束时间,
        // 次数, 分钟数, 分机号, 部门编号, 是否启用 (types as AlertRule::Kind numbers them)
        rows.append({1, QStringLiteral("单次话费达到100元"), 1, 100.0, 0, QString(), QString(), QString(), 0,
                     0, QString(), 0, 1});
        rows.append({2, QStringLiteral("夜间国际长途"), 3, 0.0, 0, QStringLiteral("00"),
                     QStringLiteral("220000"), QStringLiteral("060000"), 0, 0, QString(), 0, 1});
        rows.append({3, QStringLiteral("通话2小时以上"), 2, 0.0, 7200, QString(), QString(), QString(), 0, 0,
                     QString(), 0, 1});
    } else if (&table == &Tables::trunkGroup()) {
        for (int group = 0; group < 64; ++group)
            rows.append({group, 1});
    }
}

} // namespace qalor
