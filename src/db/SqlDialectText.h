#pragma once

#include "db/CDatabase.h"
#include "db/TableDef.h"

namespace qalor {

// The few places where SQLite and PostgreSQL need different words.

// The column that identifies a fetched row for a later UPDATE or DELETE.
QString rowIdColumn(SqlDialect dialect);
// "rowid=?" with one bound value holding the identifier as text.
QString rowIdCondition(SqlDialect dialect);
// The column type used when the schema is created.
QString columnTypeName(SqlDialect dialect, const ColumnDef& column);
// An expression giving a money column's amount in whole cents, as its money
// text shows it: rounded half away from zero from the stored number itself
// (a single times 100 is exact in double precision), nothing below 0.01.
// Sums over it are whole numbers on every back end, never single-precision
// sums.
QString centsOf(SqlDialect dialect, const QString& column);
// A query counting the indexes of the name bound as its one value.
QString indexCountQuery(SqlDialect dialect);

} // namespace qalor
