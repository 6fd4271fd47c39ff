#include "db/RowWriter.h"

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
    for (int i = 0; i < values.size(); ++i)
        m_insert.bindValue(i, values.at(i));
    CDatabase::exec(m_insert);
}

} // namespace qalor
