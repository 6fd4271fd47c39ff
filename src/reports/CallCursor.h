#pragma once

#include "reports/CallSource.h"
#include "reports/DetailQuery.h"

#include <QSqlQuery>
#include <optional>

namespace qalor {

class CDatabase;

// Walks the calls a detail query selects. rewind() runs the query again (the
// first time included).
//
// SQLite: a forward-only statement. Its ODBC driver reads the whole result of
// a statement with bound values when it runs; that is what keeps the rows
// when calls are stored on the same connection between two pages (the
// driver ends a statement it is stepping through when another one runs).
// PostgreSQL: a server cursor WITH HOLD, read in batches of 500 rows, so the
// first page of a long result comes at once and memory does not grow with
// the result (psqlODBC would read the whole result); such a cursor outlives
// the commits of calls stored on the same connection between two pages.
class CallCursor : public CallSource
{
public:
    // db == nullptr: the shared connection.
    explicit CallCursor(DetailQuery query, CDatabase* db = nullptr);

    const DetailQuery& query() const { return m_query; }
    void rewind() override;
    bool next(CallRow& row) override;
    ~CallCursor() override;
    CallCursor(const CallCursor&) = delete;
    CallCursor& operator=(const CallCursor&) = delete;
    // Ends the statement (a later next() reports the end).
    void close();

private:
    CDatabase& db() const;
    QSqlQuery openStatement(const QString& sql, const QVariantList& values) const;
    void fetchBatch();
    bool step();

    DetailQuery m_query;
    CDatabase* m_db;
    // The open statement, or on PostgreSQL the batch fetched last.
    std::optional<QSqlQuery> m_statement;
    QString m_cursor;    // PostgreSQL: the server cursor while it is open
    int m_batchRead = 0; // rows read from the batch fetched last
};

} // namespace qalor
