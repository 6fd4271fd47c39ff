#pragma once

#include "db/CDatabase.h"
#include "db/TableDef.h"

#include <QSqlQuery>
#include <QVariantList>

namespace qalor {

// Appends rows to one table with a prepared INSERT over every column that the
// program writes (all but database-numbered ones), values in table order.
class RowWriter
{
public:
    RowWriter(CDatabase& db, const TableDef& table);
    void append(const QVariantList& values);

private:
    const TableDef& m_table;
    QSqlQuery m_insert;
};

} // namespace qalor
