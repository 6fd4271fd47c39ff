#include "maintenance/CallTableMaintenance.h"

#include <QSqlQuery>

namespace qalor {

QString CallTableMaintenance::condition(bool withCaller)
{
    QString where = QStringLiteral("where 日期<=? and 日期>=?");
    if (withCaller)
        where += QStringLiteral(" and 主叫号=?");
    return where;
}

QSqlQuery CallTableMaintenance::run(const QString& head, const CallRange& range)
{
    QSqlQuery query = m_db.prepare(head + condition(range.caller.has_value()));
    query.addBindValue(dateText(range.end));
    query.addBindValue(dateText(range.start));
    if (range.caller)
        query.addBindValue(*range.caller);
    CDatabase::exec(query);
    return query;
}

void CallTableMaintenance::execute(const QString& head, const CallRange& range)
{
    run(head, range);
}

int CallTableMaintenance::count(const QString& head, const CallRange& range)
{
    QSqlQuery query = run(head, range);
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

void CallTableMaintenance::restore(const CallRange& range)
{
    CTransaction transaction(m_db);
    lockCallTable();
    execute(QStringLiteral("INSERT INTO 话费表 SELECT DISTINCT * FROM 话费表备份 "), range);
    transaction.commit();
}

int CallTableMaintenance::removeDuplicates(const QDate& start, const QDate& end, const Progress& progress)
{
    const CallRange range{start, end, std::nullopt};
    auto step = [&](int done) {
        if (progress)
            progress(done, DuplicateRemovalSteps);
    };
    // All four steps or none: a failure after the range left 话费表 must not
    // lose it.
    CTransaction transaction(m_db);
    lockCallTable();
    step(0);
    // Counted inside the lock: the rows the range held and those kept.
    const int held = count(QStringLiteral("SELECT COUNT(*) FROM 话费表 "), range);
    m_db.execute(QStringLiteral("DELETE  FROM HF"));
    step(1);
    execute(QStringLiteral("INSERT INTO HF SELECT DISTINCT * FROM 话费表 "), range);
    step(2);
    execute(QStringLiteral("DELETE  FROM 话费表 "), range);
    step(3);
    m_db.execute(QStringLiteral("INSERT INTO 话费表 SELECT  * FROM HF "));
    const int kept = count(QStringLiteral("SELECT COUNT(*) FROM HF "), range);
    transaction.commit();
    step(4);
    return held - kept;
}

} // namespace qalor
