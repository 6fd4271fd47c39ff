#include "maintenance/CallTableMaintenance.h"

#include "db/SqlDialectText.h"
#include "db/TableRegistry.h"

#include <QSqlQuery>

namespace qalor {

namespace {
// The row identifiers ("SELECT r FROM (...)") of the second and later
// copies of calls stored more than once among the rows the condition
// selects: equal in every column, as DISTINCT takes them (empty values equal
// each other). Rows equal in every column share their date and time, so only
// rows whose date and time another row of the range has (read from the index
// on 日期, 时间 alone) are compared column by column, in that index's order:
// the month is never sorted whole. The condition stands in the statement
// twice.
QString laterCopies(SqlDialect dialect, const QString& where)
{
    QStringList columns;
    for (const ColumnDef& column : Tables::callCost().columns)
        columns << column.name;
    columns.move(columns.indexOf(QStringLiteral("日期")), 0);
    columns.move(columns.indexOf(QStringLiteral("时间")), 1);
    const QString row = rowIdColumn(dialect);
    return QStringLiteral("SELECT r FROM (SELECT ") + row +
           QStringLiteral(" AS r, ROW_NUMBER() OVER (PARTITION BY ") + columns.join(QLatin1Char(',')) +
           QStringLiteral(") AS n FROM 话费表 ") + where +
           QStringLiteral(" AND (时间 IS NULL OR (日期, 时间) IN (SELECT 日期, 时间 FROM 话费表 ") + where +
           QStringLiteral(" GROUP BY 日期, 时间 HAVING COUNT(*)>1))) copies WHERE n>1");
}

} // namespace

QString CallTableMaintenance::condition(bool withCaller)
{
    QString where = QStringLiteral("where 日期<=? and 日期>=?");
    if (withCaller)
        where += QStringLiteral(" and 主叫号=?");
    return where;
}

QSqlQuery CallTableMaintenance::prepared(const QString& sql, const CallRange& range, int conditions)
{
    QSqlQuery query = m_db.prepare(sql);
    for (int i = 0; i < conditions; ++i) {
        query.addBindValue(dateText(range.end));
        query.addBindValue(dateText(range.start));
        if (range.caller)
            query.addBindValue(*range.caller);
    }
    return query;
}

void CallTableMaintenance::execute(const QString& head, const CallRange& range)
{
    QSqlQuery query = prepared(head + condition(range.caller.has_value()), range);
    CDatabase::exec(query);
}

int CallTableMaintenance::count(const QString& sql, const CallRange& range, int conditions)
{
    QSqlQuery query = prepared(sql, range, conditions);
    CDatabase::exec(query);
    return query.next() ? query.value(0).toInt() : 0;
}

void CallTableMaintenance::lockCallTable()
{
    if (const QString sorting = bulkSortSetting(m_db.dialect()); !sorting.isEmpty())
        m_db.execute(sorting);
    // Other workstations append calls to the same server: their INSERTs wait
    // until this transaction ends, so none is written between two statements
    // (and none is deleted by the step that empties the range). SQLite lets
    // one writer at a time anyway.
    if (m_db.dialect() == SqlDialect::PostgreSQL)
        m_db.execute(QStringLiteral("LOCK TABLE 话费表 IN SHARE ROW EXCLUSIVE MODE"));
}

void CallTableMaintenance::backup(const CallRange& range)
{
    CTransaction transaction(m_db);
    lockCallTable();
    execute(QStringLiteral("INSERT INTO 话费表备份 SELECT * FROM 话费表 "), range);
    transaction.commit();
}

void CallTableMaintenance::remove(const CallRange& range)
{
    CTransaction transaction(m_db);
    lockCallTable();
    execute(QStringLiteral("DELETE  FROM 话费表 "), range);
    transaction.commit();
}

CallTableMaintenance::RestoreCount CallTableMaintenance::restore(const CallRange& range)
{
    // EXCEPT compares whole rows the way DISTINCT does (empty values equal
    // each other), so a backup row counts as there exactly when duplicate
    // removal would take the two for one call.
    const QString where = condition(range.caller.has_value());
    const QString missing = QStringLiteral("SELECT * FROM 话费表备份 ") + where +
                            QStringLiteral(" EXCEPT SELECT * FROM 话费表 ") + where;
    CTransaction transaction(m_db);
    lockCallTable();
    RestoreCount counted;
    const int distinct = count(QStringLiteral("SELECT COUNT(*) FROM (SELECT DISTINCT * FROM 话费表备份 ") +
                                   where + QStringLiteral(") backed_up"),
                               range, 1);
    counted.restored =
        count(QStringLiteral("SELECT COUNT(*) FROM (") + missing + QStringLiteral(") missing"), range, 2);
    counted.alreadyThere = distinct - counted.restored;
    QSqlQuery insert = prepared(QStringLiteral("INSERT INTO 话费表 ") + missing, range, 2);
    CDatabase::exec(insert);
    transaction.commit();
    return counted;
}

int CallTableMaintenance::removeDuplicates(const QDate& start, const QDate& end, const Progress& progress)
{
    const CallRange range{start, end, std::nullopt};
    auto step = [&](int done) {
        if (progress)
            progress(done, DuplicateRemovalSteps);
    };
    // All steps or none: a failure half way must not lose a call.
    CTransaction transaction(m_db);
    lockCallTable();
    step(0);
    // Counted inside the lock: the rows the range held and those kept.
    const QString inRange = QStringLiteral("SELECT COUNT(*) FROM 话费表 ") + condition(false);
    const int held = count(inRange, range, 1);
    m_db.execute(QStringLiteral("DELETE  FROM HF"));
    step(1);
    // Only the second and later rows of each set of identical rows go; the
    // rest of a month stays where it is, its three indexes untouched.
    const QString where = condition(false);
    QSqlQuery extra = prepared(QStringLiteral("DELETE FROM 话费表 ") + where + QStringLiteral(" AND ") +
                                   rowIdColumn(m_db.dialect()) + QStringLiteral(" IN (") +
                                   laterCopies(m_db.dialect(), where) + QLatin1Char(')'),
                               range, 3);
    CDatabase::exec(extra);
    step(2);
    // What the range holds now is its distinct rows, as HF always held them.
    execute(QStringLiteral("INSERT INTO HF SELECT * FROM 话费表 "), range);
    step(3);
    const int kept = count(inRange, range, 1);
    transaction.commit();
    step(4);
    return held - kept;
}

} // namespace qalor
