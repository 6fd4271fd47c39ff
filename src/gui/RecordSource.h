#pragma once

#include "db/CDatabase.h"
#include "db/TableDef.h"

#include <QList>
#include <QString>
#include <optional>

namespace qalor {

// A grid's SELECT statement read against the table definitions:
//   "SELECT * FROM t [WHERE ...] [ORDER BY ...]"
//   "SELECT a,b,c FROM t [...]"
// The table is looked up case-insensitively (RATE31 is rate31); the columns
// and their headings always come from the definition, never from the names a
// driver reports. Everything after the table name (alias, WHERE, ORDER BY) is
// kept as written.
struct RecordSource
{
    const TableDef* table = nullptr;
    QList<int> columns; // indexes into table->columns, in selected order
    QString tail;       // the text after the table name

    // Parses a statement; nullopt when it is not a plain SELECT over one known
    // table with known columns.
    static std::optional<RecordSource> parse(const QString& sql);

    // The statement that fills the grid: the selected columns by their
    // defined names, followed by the row identifier of the dialect.
    QString statement(SqlDialect dialect) const;
};

} // namespace qalor
