#include "maintenance/CallTableMaintenance.h"

#include "db/SqlDialectText.h"
#include "db/TableRegistry.h"

#include <QSqlQuery>

namespace qalor {

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
    execute(QStringLiteral("INSERT INTO HF SELECT DISTINCT * FROM 话费表 "), range);
    step(2);
    // Only the second and later rows of each set of identical rows go: the
    // rows of a month stay where they are, and their three indexes change
    // only for the duplicates. Equal is meant as DISTINCT means it (empty
    // values equal each other).
    const SqlDialect dialect = m_db.dialect();
    QStringList columns;
    for (const ColumnDef& column : Tables::callCost().columns)
        columns << column.name;
    const QString row = rowIdColumn(dialect);
    QSqlQuery extra = prepared(
        QStringLiteral("DELETE FROM 话费表 ") + condition(false) + QStringLiteral(" AND ") + row +
            QStringLiteral(" IN (SELECT r FROM (SELECT ") + row +
            QStringLiteral(" AS r, ROW_NUMBER() OVER (PARTITION BY ") + columns.join(QLatin1Char(',')) +
            QStringLiteral(") AS n FROM 话费表 ") + condition(false) + QStringLiteral(") copies WHERE n>1)"),
        range, 2);
    CDatabase::exec(extra);
    step(3);
    const int kept = count(inRange, range, 1);
    transaction.commit();
    step(4);
    return held - kept;
}

} // namespace qalor
