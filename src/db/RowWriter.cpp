#include "db/RowWriter.h"

#include "db/BatchRowWriter.h"
#include "db/CRecordSet.h"

#include <QStringList>

namespace qalor {

RowWriter::RowWriter(CDatabase& db, const TableDef& table)
    : m_table(table), m_insert(db.prepare(BatchRowWriter::insertStatement(table, 1)))
{
}

void RowWriter::append(const QVariantList& values)
{
    int position = 0;
    for (const ColumnDef& column : m_table.columns) {
        if (column.autoNumber)
            continue;
        if (position < values.size())
            m_insert.bindValue(position, CRecordSet::bindable(column.type, values.at(position)));
        ++position;
    }
    CDatabase::exec(m_insert);
}

} // namespace qalor
