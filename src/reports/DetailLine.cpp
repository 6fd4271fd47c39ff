#include "reports/DetailLine.h"

#include "format/TextFormat.h"

#include <QStringList>

namespace qalor::DetailLine {

QString call(const CallRow& row, int calleeWidth)
{
    return QStringList{row.caller,
                       PadField(row.callee, calleeWidth, false),
                       row.date,
                       row.time,
                       PadField(FormatWhole(row.duration), 6, true),
                       PadField(FormatMoney(row.rate), 5, true),
                       PadField(FormatWhole(row.units), 5, true),
                       PadField(FormatMoney(row.charge), 7, true),
                       PadField(FormatMoney(row.service), 6, true),
                       PadField(FormatMoney(row.surcharge), 6, true),
                       PadField(row.destination, 10, true)}
        .join(QLatin1Char(' '));
}

QString dateListHeader()
{
    return QStringLiteral("主叫号 被叫号          日期   时间 通话时长 费率 计费单位 通话费 服务费 附加费   通达地");
}

QString calleeListHeader()
{
    return QStringLiteral(
        "主叫号 被叫号            日期   时间 通话时长 费率 计费单位 通话费 服务费 附加费    通达地");
}

QString billHeader()
{
    return QStringLiteral("   ") + dateListHeader();
}

QString subtotal(Money total)
{
    return QStringLiteral("         小计金额:") + FormatMoney(total);
}

} // namespace qalor::DetailLine
