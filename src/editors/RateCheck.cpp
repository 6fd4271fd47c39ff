#include "editors/RateCheck.h"

#include "db/CDatabase.h"
#include "db/CRecordSet.h"
#include "rating/PrefixIndex.h"
#include "rating/RateTable.h"

#include <QMap>
#include <QSqlQuery>

namespace qalor {

QList<RateCheck::Finding> RateCheck::run(QDate from, QDate to)
{
    RateTable rates;
    rates.LoadRates();
    PrefixIndex index;
    for (const RateEntry& entry : rates.entries())
        index.add(entry.prefix);

    CDatabase& db = CDatabase::shared();
    QSqlQuery query = db.prepare(
        QStringLiteral("SELECT 被叫号,通话费,附加费 FROM 话费表 WHERE 日期>=? AND 日期<=?"));
    query.bindValue(0, from.toString(QStringLiteral("yyMMdd")));
    query.bindValue(1, to.toString(QStringLiteral("yyMMdd")));
    CDatabase::exec(query);

    QMap<QString, Finding> findings;
    while (query.next()) {
        QString number = query.value(0).toString().trimmed();
        const qsizetype dash = number.indexOf(QLatin1Char('-'));
        if (dash >= 0)
            number.truncate(dash);
        if (number.isEmpty())
            continue;
        const int chosen = index.find(number);
        qsizetype shared = 0;
        const RateEntry* entry = chosen >= 0 ? &rates.entries().at(chosen) : nullptr;
        if (entry) {
            while (shared < number.size() && shared < entry->prefix.size() &&
                   number.at(shared) == entry->prefix.at(shared))
                ++shared;
            if (shared >= entry->prefix.size())
                continue; // the whole entry prefix matched: a full match
        }
        const QString prefix = number.left(shared + 1);
        Finding& finding = findings[prefix];
        finding.prefix = prefix;
        if (entry) {
            finding.matchedPrefix = entry->prefix;
            finding.matchedArea = entry->area;
        }
        ++finding.calls;
        finding.amount += Money::fromStored(CRecordSet::normalize(ColumnType::Single, query.value(1)).toFloat()) +
                          Money::fromStored(CRecordSet::normalize(ColumnType::Single, query.value(2)).toFloat());
    }
    return findings.values();
}

} // namespace qalor
