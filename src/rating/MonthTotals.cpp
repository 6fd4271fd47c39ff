#include "rating/MonthTotals.h"

#include "db/CDatabase.h"
#include "db/CallTableStatements.h"
#include "db/SqlDialectText.h"
#include "rating/CallCostWriter.h"

#include <QSqlQuery>
#include <QVariant>

namespace qalor {

namespace {
QString monthCents(SqlDialect dialect)
{
    return QStringLiteral("SUM(") + centsOf(dialect, QStringLiteral("通话费")) + QStringLiteral(" + ") +
           centsOf(dialect, QStringLiteral("附加费")) + QLatin1Char(')');
}

// psqlODBC hands a bigint sum over as text; no rows sum to NULL.
qint64 cents(const QVariant& sum)
{
    return qint64(sum.toDouble() + 0.5);
}
} // namespace

void MonthTotals::ensureTable()
{
    CDatabase::shared().ensureOwnTables({monthTotalsTable()});
}

qint64 MonthTotals::storedByExtension(CDatabase& db, const QString& extension, QDate first)
{
    QSqlQuery query = db.prepare(QStringLiteral("SELECT ") + monthCents(db.dialect()) +
                                 QStringLiteral(" FROM 话费表 WHERE 主叫号=? AND 日期>=? AND 日期<=?"));
    query.addBindValue(extension);
    query.addBindValue(CallCostWriter::dateText(first));
    query.addBindValue(CallCostWriter::dateText(first.addDays(first.daysInMonth() - 1)));
    CDatabase::exec(query);
    return query.next() ? cents(query.value(0)) : 0;
}

qint64 MonthTotals::storedByDepartment(CDatabase& db, int department, QDate first)
{
    QSqlQuery query = db.prepare(QStringLiteral("SELECT 主叫号, ") + monthCents(db.dialect()) +
                                 QStringLiteral(" FROM 话费表 WHERE 日期>=? AND 日期<=? GROUP BY 主叫号"));
    query.addBindValue(CallCostWriter::dateText(first));
    query.addBindValue(CallCostWriter::dateText(first.addDays(first.daysInMonth() - 1)));
    CDatabase::exec(query);
    qint64 sum = 0;
    while (query.next())
        if (departmentOf(query.value(0).toString()) == department)
            sum += cents(query.value(1));
    return sum;
}

MonthTotals::Step MonthTotals::start(CDatabase& db, int month, const QString& object, Money billed,
                                     const std::function<qint64()>& stored)
{
    // The month's first call for this total here: read what 话费表 holds
    // (this call among it). Should another program have started the total
    // meanwhile, its sum stands and this call is added to it.
    if (m_beforeReading)
        m_beforeReading();
    const qint64 sum = stored();
    QSqlQuery& insert = m_insert.on(db);
    insert.addBindValue(month);
    insert.addBindValue(object);
    insert.addBindValue(sum);
    insert.addBindValue(billed.cents());
    CDatabase::exec(insert);
    QSqlQuery& read = m_read.on(db);
    read.addBindValue(month);
    read.addBindValue(object);
    read.addBindValue(object);
    CDatabase::exec(read);
    const qint64 after = read.next() ? read.value(1).toLongLong() : sum;
    read.finish();
    return {Money::fromCents(after - billed.cents()), Money::fromCents(after)};
}

MonthTotals::Added MonthTotals::add(const QString& extension, QDate date, Money billed, bool extensions,
                                    bool departments)
{
    CDatabase& db = CDatabase::shared();
    const int month = date.year() * 100 + date.month();
    const QDate first(date.year(), date.month(), 1);
    const int department = departments ? departmentOf(extension) : -1;
    const QString own = extensions ? QLatin1Char('E') + extension : QString();
    const QString theirs = department >= 0 ? QStringLiteral("D%1").arg(department) : QString();
    Added added;
    if (own.isEmpty() && theirs.isEmpty())
        return added;
    // Both totals in one statement: most calls find them started.
    const QString one = own.isEmpty() ? theirs : own;
    const QString other = theirs.isEmpty() ? own : theirs;
    const bool returning = db.dialect() == SqlDialect::PostgreSQL;
    QSqlQuery& update = (returning ? m_updateReturning : m_update).on(db);
    update.addBindValue(billed.cents());
    update.addBindValue(month);
    update.addBindValue(one);
    update.addBindValue(other);
    CDatabase::exec(update);
    QSqlQuery* totals = &update;
    if (!returning) {
        totals = &m_read.on(db);
        totals->addBindValue(month);
        totals->addBindValue(one);
        totals->addBindValue(other);
        CDatabase::exec(*totals);
    }
    bool ownFound = false, theirsFound = false;
    while (totals->next()) {
        const qint64 after = totals->value(1).toLongLong();
        const Step step{Money::fromCents(after - billed.cents()), Money::fromCents(after)};
        if (totals->value(0).toString() == own)
            added.extension = step, ownFound = true;
        else
            added.department = step, theirsFound = true;
    }
    totals->finish();
    if (!own.isEmpty() && !ownFound)
        added.extension =
            start(db, month, own, billed, [&] { return storedByExtension(db, extension, first); });
    if (!theirs.isEmpty() && !theirsFound)
        added.department =
            start(db, month, theirs, billed, [&] { return storedByDepartment(db, department, first); });
    return added;
}

void MonthTotals::drop(const QString& extension, QDate date)
{
    CDatabase& db = CDatabase::shared();
    QSqlQuery query = db.prepare(QStringLiteral("DELETE FROM 告警累计表 WHERE 月份=? AND 对象 IN (?, ?)"));
    query.addBindValue(date.year() * 100 + date.month());
    query.addBindValue(QLatin1Char('E') + extension);
    query.addBindValue(QStringLiteral("D%1").arg(departmentOf(extension)));
    CDatabase::exec(query);
}

} // namespace qalor
