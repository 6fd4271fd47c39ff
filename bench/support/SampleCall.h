#pragma once

#include <QSqlQuery>
#include <QString>

namespace qalor::bench {

// Binds the columns of generated call number `call` to a prepared
// "INSERT INTO 话费表 VALUES (?,...)" that are the same in every bench: the
// dialled number, the start time, duration, rate, units, charge and place.
// Caller (0), date (2), service fee (8), surcharge (9) and statistics type
// (11) are the bench's own.
inline void bindSampleCall(QSqlQuery& insert, int call)
{
    const int seconds = (call * 37) % 86400;
    insert.bindValue(1, QStringLiteral("020%1").arg(call * 7919 % 10000000, 8, 10, QLatin1Char('0')));
    insert.bindValue(3, QStringLiteral("%1%2%3")
                            .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
                            .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                            .arg(seconds % 60, 2, 10, QLatin1Char('0')));
    insert.bindValue(4, double(call % 600));
    insert.bindValue(5, 0.22);
    insert.bindValue(6, double(call % 10 + 1));
    insert.bindValue(7, 0.22 * (call % 10 + 1));
    insert.bindValue(10, QStringLiteral("广州"));
}

} // namespace qalor::bench
