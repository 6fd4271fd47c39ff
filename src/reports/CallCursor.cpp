#include "reports/CallCursor.h"

#include "db/CDatabase.h"
#include "db/CRecordSet.h"

#include <QSqlError>
#include <utility>

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

// Rows fetched from a server cursor at a time.
constexpr int BatchRows = 500;
} // namespace

CallCursor::CallCursor(DetailQuery query, CDatabase* db) : m_query(std::move(query)), m_db(db) {}

CallCursor::~CallCursor()
{
    try {
        close();
    } catch (const DbError&) {
        // the connection is gone, and its cursor with it
    }
}

CDatabase& CallCursor::db() const
{
    return m_db ? *m_db : CDatabase::shared();
}

QSqlQuery CallCursor::openStatement(const QString& sql, const QVariantList& values) const
{
    QSqlQuery statement(db().handle());
    statement.setForwardOnly(true);
    if (!statement.prepare(sql))
        throw DbError::fromSql(statement.lastError());
    for (const QVariant& value : values)
        statement.addBindValue(value);
    CDatabase::exec(statement);
    return statement;
}

void CallCursor::rewind()
{
    close();
    CDatabase& database = db();
    database.ensureOpen();
    const QString sql = m_query.statement();
    const QVariantList values = m_query.values();
    if (database.dialect() == SqlDialect::PostgreSQL) {
        static int opened = 0;
        const QString name = QStringLiteral("qalor_calls_%1").arg(++opened);
        openStatement(QStringLiteral("DECLARE ") + name + QStringLiteral(" NO SCROLL CURSOR WITH HOLD FOR ") +
                          sql,
                      values);
        m_cursor = name;
        fetchBatch();
        return;
    }
    m_statement.emplace(openStatement(sql, values));
}

void CallCursor::fetchBatch()
{
    m_statement.reset();
    m_statement.emplace(
        openStatement(QStringLiteral("FETCH FORWARD %1 FROM ").arg(BatchRows) + m_cursor, {}));
    m_batchRead = 0;
}

// Moves to the next row; false at the end of the result.
bool CallCursor::step()
{
    QSqlQuery* q = &*m_statement;
    bool stepped = q->next();
    if (!stepped && !q->lastError().isValid() && !m_cursor.isEmpty() && m_batchRead == BatchRows) {
        fetchBatch();
        q = &*m_statement;
        stepped = q->next();
    }
    if (stepped) {
        ++m_batchRead;
        return true;
    }
    const QSqlError error = q->lastError();
    close();
    if (error.isValid())
        throw DbError::fromSql(error);
    return false;
}

bool CallCursor::next(CallRow& row)
{
    if (!m_statement || !step())
        return false;
    QSqlQuery& q = *m_statement;
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
    if (m_cursor.isEmpty())
        return;
    const QString cursor = std::exchange(m_cursor, QString());
    db().execute(QStringLiteral("CLOSE ") + cursor);
}

} // namespace qalor
