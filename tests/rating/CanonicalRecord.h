#pragma once

#include <QString>

namespace qalor::test {

// A canonical CDR record as the parser builds it: trace 0-3, call type 5-7,
// record code 9-10, date block 12-24, start 26-31, end 33-38, caller 40-43,
// dialled number 45-62, each field followed by one space.
inline QString canonicalRecord(const QString& date, const QString& start, const QString& end,
                               const QString& caller, const QString& called,
                               const QString& callType = QStringLiteral("001"),
                               const QString& trace = QStringLiteral("0000"))
{
    const QChar sp = QLatin1Char(' ');
    return trace + sp + callType.leftJustified(3) + sp + QStringLiteral("01") + sp +
           (date + QStringLiteral(" 000000")).leftJustified(13) + sp + start + sp + end + sp + caller + sp +
           called.leftJustified(18) + sp;
}

} // namespace qalor::test
