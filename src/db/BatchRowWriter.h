#pragma once

#include "db/CDatabase.h"
#include "db/TableDef.h"

#include <QHash>
#include <QSqlQuery>
#include <QVariantList>

namespace qalor {

// Appends rows to one table several hundred at a time: one INSERT statement
// with many VALUES rows costs the data source little more than one with a
// single row (on PostgreSQL each statement is a round trip and a savepoint).
// Rows wait in memory until rowsPerStatement() of them are there or flush()
// is called; the caller flushes before it commits, inside the transaction
// that the rows belong to, and discards what waits when it rolls back.
// Values are in table order over the columns the program writes (all but
// database-numbered ones), converted as a record set converts them.
class BatchRowWriter
{
public:
    BatchRowWriter(CDatabase& db, const TableDef& table, int rowsPerStatement = 200);

    // Raises DbError when a full statement's worth is written and refused.
    void append(const QVariantList& values);
    // Writes every waiting row. Raises DbError; the rows are then gone from
    // the buffer (the transaction they belonged to cannot commit them).
    void flush();
    void discard() { m_values.clear(), m_rows = 0; }
    int waiting() const { return m_rows; }
    int rowsPerStatement() const { return m_rowsPerStatement; }

    // "INSERT INTO t (a,b) VALUES (?,?),(?,?)" for the given number of rows.
    static QString insertStatement(const TableDef& table, int rows);

private:
    void write(int rows);

    CDatabase& m_db;
    const TableDef& m_table;
    int m_rowsPerStatement;
    QList<ColumnType> m_types; // of the written columns
    QVariantList m_values;     // m_rows rows, one after the other
    int m_rows = 0;
    QHash<int, QSqlQuery> m_statements; // by row count, for the connection's current opening
    int m_opening = -1;
};

} // namespace qalor
