#include "reports/DailyCalls.h"

#include "db/CDatabase.h"

#include <QSqlQuery>

namespace qalor {

const QStringList& DailyCalls::groupNames()
{
    static const QStringList names = {QStringLiteral("市话"), QStringLiteral("长途"), QStringLiteral("国际"),
                                      QStringLiteral("信息台")};
    return names;
}

DailyCalls::Group DailyCalls::groupOf(const QString& called, int countType)
{
    if (countType == 3)
        return Information;
    const QString number = called.trimmed();
    if (number.startsWith(QStringLiteral("00")))
        return International;
    // The own area code dialled before a local number is still 市话: the
    // category the rate gave the call decides.
    if (countType == 1 || countType == 2)
        return LongDistance;
    return Local;
}

QList<DailyCalls::Day> DailyCalls::read(CDatabase& db, QDate from, QDate to)
{
    QList<Day> days;
    if (!from.isValid() || !to.isValid() || from > to)
        return days;
    for (QDate date = from; date <= to; date = date.addDays(1))
        days.append(Day{date, {}});
    QSqlQuery query =
        db.prepare(QStringLiteral("SELECT 日期, 被叫号, 统计类型 FROM 话费表 WHERE 日期>=? AND 日期<=?"));
    query.bindValue(0, from.toString(QStringLiteral("yyMMdd")));
    query.bindValue(1, to.toString(QStringLiteral("yyMMdd")));
    CDatabase::exec(query);
    while (query.next()) {
        // yymmdd within one century, as the call side stores it.
        const QDate date = QDate::fromString(QStringLiteral("20") + query.value(0).toString().trimmed(),
                                             QStringLiteral("yyyyMMdd"));
        const qint64 index = from.daysTo(date);
        if (index < 0 || index >= days.size())
            continue;
        ++days[index].calls[groupOf(query.value(1).toString(), query.value(2).toInt())];
    }
    return days;
}

} // namespace qalor
