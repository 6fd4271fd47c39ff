#include "rating/MonthTotals.h"

#include "db/CDatabase.h"
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
    CDatabase::shared().ensureOwnTables(
        {QStringLiteral("CREATE TABLE IF NOT EXISTS 告警累计表 (月份 INTEGER NOT NULL, 对象 VARCHAR(40) NOT "
                        "NULL, 金额 BIGINT NOT NULL, PRIMARY KEY (月份, 对象))")});
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

MonthTotals::Step MonthTotals::addTo(CDatabase& db, int month, const QString& object, Money billed,
                                     const std::function<qint64()>& stored)
{
    QSqlQuery& update = m_update.on(db);
    update.addBindValue(billed.cents());
    update.addBindValue(month);
    update.addBindValue(object);
    CDatabase::exec(update);
    if (update.numRowsAffected() <= 0) {
        // The month's first call for this total here: read what 话费表
        // holds (this call among it). Should another program have started
        // the total meanwhile, its sum stands and this call is added to it.
        if (m_beforeReading)
            m_beforeReading();
        const qint64 sum = stored();
        QSqlQuery& insert = m_insert.on(db);
        insert.addBindValue(month);
        insert.addBindValue(object);
        insert.addBindValue(sum);
        insert.addBindValue(billed.cents());
        CDatabase::exec(insert);
    }
    QSqlQuery& read = m_read.on(db);
    read.addBindValue(month);
    read.addBindValue(object);
    CDatabase::exec(read);
    const qint64 after = read.next() ? read.value(0).toLongLong() : billed.cents();
    read.finish();
    return {Money::fromCents(after - billed.cents()), Money::fromCents(after)};
}

MonthTotals::Added MonthTotals::add(const QString& extension, QDate date, Money billed, bool extensions,
                                    bool departments)
{
    CDatabase& db = CDatabase::shared();
    const int month = date.year() * 100 + date.month();
    const QDate first(date.year(), date.month(), 1);
    Added added;
    if (extensions)
        added.extension = addTo(db, month, QLatin1Char('E') + extension, billed,
                                [&] { return storedByExtension(db, extension, first); });
    const int department = departmentOf(extension);
    if (departments && department >= 0)
        added.department = addTo(db, month, QStringLiteral("D%1").arg(department), billed,
                                 [&] { return storedByDepartment(db, department, first); });
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
