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
// A query counting the indexes of the name bound as its one value.
QString indexCountQuery(SqlDialect dialect);

} // namespace qalor
