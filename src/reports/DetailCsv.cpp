#include "reports/DetailCsv.h"

#include "db/CsvWriter.h"
#include "format/TextFormat.h"

#include <cmath>

namespace qalor::DetailCsv {

namespace {
qint64 whole(float value)
{
    return std::isfinite(value) ? std::llround(double(value)) : 0LL;
}

// 时长 is stored as the digits of its HHMMSS text (1 h 5 min 7 s is 10507);
// a spreadsheet wants the seconds.
QString seconds(float packedDuration)
{
    const qint64 packed = whole(packedDuration);
    return QString::number(packed / 10000 * 3600 + packed / 100 % 100 * 60 + packed % 100);
}
} // namespace

QStringList heading()
{
    return {QStringLiteral("主叫号"), QStringLiteral("被叫号"), QStringLiteral("日期"),   QStringLiteral("时间"),
            QStringLiteral("通话时长(秒)"), QStringLiteral("费率"), QStringLiteral("计费单位"), QStringLiteral("通话费"),
            QStringLiteral("服务费"), QStringLiteral("附加费"), QStringLiteral("通达地")};
}

QStringList fields(const CallRow& row)
{
    return {row.caller,
            row.callee,
            row.date,
            row.time,
            seconds(row.duration),
            FormatMoney(row.rate),
            QString::number(whole(row.units)),
            FormatMoney(row.charge),
            FormatMoney(row.service),
            FormatMoney(row.surcharge),
            row.destination};
}

bool write(CallSource& calls, const QString& fileName, QString* error)
{
    CsvWriter csv(fileName);
    if (!csv.open()) {
        if (error)
            *error = csv.errorString();
        return false;
    }
    csv.setNumberColumns({4, 5, 6, 7, 8, 9}); // duration to surcharge
    csv.writeRow(heading());
    CallRow row;
    calls.rewind();
    while (calls.next(row))
        csv.writeRow(fields(row));
    if (!csv.commit()) {
        if (error)
            *error = csv.errorString();
        return false;
    }
    return true;
}

} // namespace qalor::DetailCsv
