#include "reports/CallCursor.h"

#include "db/CDatabase.h"
#include "db/CRecordSet.h"

#include <QSqlError>

namespace qalor {

namespace {
// Columns are read by position: some drivers garble the names of Chinese
// columns, and psqlODBC hands REAL values over as text.
QString text(const QSqlQuery& query, int column)
{
    return CRecordSet::normalize(ColumnType::Text, query.value(column)).toString();
}

float single(const QSqlQuery& query, int column)
{
    return CRecordSet::normalize(ColumnType::Single, query.value(column)).toFloat();
}
} // namespace

CallCursor::CallCursor(DetailQuery query, CDatabase* db) : m_query(std::move(query)), m_db(db) {}

void CallCursor::rewind()
{
    close();
    CDatabase& db = m_db ? *m_db : CDatabase::shared();
    db.ensureOpen();
    QSqlQuery statement(db.handle());
    statement.setForwardOnly(true);
    if (!statement.prepare(m_query.statement()))
        throw DbError::fromSql(statement.lastError());
    for (const QVariant& value : m_query.values())
        statement.addBindValue(value);
    CDatabase::exec(statement);
    m_statement.emplace(std::move(statement));
}

bool CallCursor::next(CallRow& row)
{
    if (!m_statement)
        return false;
    QSqlQuery& q = *m_statement;
    if (!q.next()) {
        const QSqlError error = q.lastError();
        close();
        if (error.isValid())
            throw DbError::fromSql(error);
        return false;
    }
    row.caller = text(q, 0);
    row.callee = text(q, 1);
    row.date = text(q, 2);
    row.time = text(q, 3);
    row.duration = single(q, 4);
    row.rate = single(q, 5);
    row.units = single(q, 6);
    row.charge = single(q, 7);
    row.service = single(q, 8);
    row.surcharge = single(q, 9);
    row.destination = text(q, 10);
    row.countType = CRecordSet::normalize(ColumnType::Int32, q.value(11)).toInt();
    return true;
}

void CallCursor::close()
{
    if (m_statement)
        m_statement->finish();
    m_statement.reset();
}

} // namespace qalor
