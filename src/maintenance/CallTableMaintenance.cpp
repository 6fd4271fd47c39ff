#include "maintenance/CallTableMaintenance.h"

#include "db/CallTableStatements.h"
#include "db/SqlDialectText.h"
#include "db/TableRegistry.h"
#include "db/WorkLock.h"

#include <QSqlQuery>

namespace qalor {

QString CallTableMaintenance::predicate(bool withCaller)
{
    QString predicate = QStringLiteral("日期<=? and 日期>=?");
    if (withCaller)
        predicate += QStringLiteral(" and 主叫号=?");
    return predicate;
}

QString CallTableMaintenance::condition(bool withCaller)
{
    return QStringLiteral("where ") + predicate(withCaller);
}

QVariantList CallTableMaintenance::values(const CallRange& range)
{
    QVariantList values{dateText(range.end), dateText(range.start)};
    if (range.caller)
        values << *range.caller;
    return values;
}

QString CallTableMaintenance::rowsOf(const CallRange& range)
{
    return callRowsFrom(m_db, predicate(range.caller.has_value()), values(range));
}

QSqlQuery CallTableMaintenance::prepared(const QString& sql, const CallRange& range, int conditions)
{
    QSqlQuery query = m_db.prepare(sql);
    const QVariantList bound = values(range);
    for (int i = 0; i < conditions; ++i)
        for (const QVariant& value : bound)
            query.addBindValue(value);
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
    // First the work tables, so that calls are not kept waiting while
    // another program's statistics run or maintenance ends; refused at once
    // when one runs (HF or 话费表备份 would mix their rows).
    WorkLock::take(m_db);
    // Other workstations append calls to the same server: their INSERTs wait
    // until this transaction ends, so none is written between two statements
    // (and none is deleted by the step that empties the range). SQLite lets
    // one writer at a time anyway.
    if (m_db.dialect() == SqlDialect::PostgreSQL)
        m_db.execute(QStringLiteral("LOCK TABLE 话费表 IN SHARE ROW EXCLUSIVE MODE"));
}

void CallTableMaintenance::backup(const CallRange& range)
{
    const BulkWork bulk(m_db);
    CTransaction transaction(m_db);
    lockCallTable();
    QSqlQuery copy = prepared(QStringLiteral("INSERT INTO 话费表备份 SELECT * FROM ") + rowsOf(range), range);
    CDatabase::exec(copy);
    transaction.commit();
}

void CallTableMaintenance::remove(const CallRange& range)
{
    const BulkWork bulk(m_db);
    CTransaction transaction(m_db);
    lockCallTable();
    execute(QStringLiteral("DELETE  FROM 话费表 "), range);
    forgetMonthTotals(m_db);
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
    const BulkWork bulk(m_db);
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
    forgetMonthTotals(m_db);
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
    const BulkWork bulk(m_db);
    CTransaction transaction(m_db);
    lockCallTable();
    step(0);
    // Counted inside the lock: the rows the range held and those kept.
    const QString inRange = QStringLiteral("SELECT COUNT(*) FROM 话费表 ") + condition(false);
    const int held = count(inRange, range, 1);
    emptyWorkTable(m_db, QStringLiteral("HF"));
    step(1);
    // Only the second and later rows of each set of identical rows go; the
    // rest of a month stays where it is, its three indexes untouched.
    QSqlQuery extra =
        prepared(QStringLiteral("DELETE FROM 话费表 ") + condition(false) + QStringLiteral(" AND ") +
                     rowIdColumn(m_db.dialect()) + QStringLiteral(" IN (") +
                     laterCallCopies(m_db.dialect(), predicate(false)) + QLatin1Char(')'),
                 range, 3);
    CDatabase::exec(extra);
    step(2);
    // What the range holds now is its distinct rows, as HF always held them.
    QSqlQuery copy = prepared(QStringLiteral("INSERT INTO HF SELECT * FROM ") + rowsOf(range), range);
    CDatabase::exec(copy);
    step(3);
    const int kept = count(inRange, range, 1);
    forgetMonthTotals(m_db);
    transaction.commit();
    step(4);
    return held - kept;
}

} // namespace qalor
