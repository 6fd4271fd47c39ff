#include "db/RowWriter.h"

#include "db/CRecordSet.h"

#include <QStringList>

namespace qalor {

namespace {
QString insertStatement(const TableDef& table)
{
    QStringList names, marks;
    for (const ColumnDef& column : table.columns) {
        if (column.autoNumber)
            continue;
        names << column.name;
        marks << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO ") + table.name + QStringLiteral(" (") + names.join(QLatin1Char(',')) +
           QStringLiteral(") VALUES (") + marks.join(QLatin1Char(',')) + QLatin1Char(')');
}
} // namespace

RowWriter::RowWriter(CDatabase& db, const TableDef& table) : m_table(table), m_insert(db.prepare(insertStatement(table)))
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
