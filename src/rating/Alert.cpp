#include "rating/Alert.h"

namespace qalor {

QString Alert::line() const
{
    const QDateTime start = call.start.toDateTime();
    return QStringLiteral("%1 告警[%2 %3] 主叫%4 被叫%5 %6 时长%7秒 话费%8 %9")
        .arg(raised.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
        .arg(ruleId)
        .arg(ruleName, call.caller, call.called, start.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
        .arg(call.seconds)
        .arg(call.billed.text(), detail);
}

} // namespace qalor
