#include "db/BatchRowWriter.h"

#include "db/CRecordSet.h"

#include <QStringList>

namespace qalor {

BatchRowWriter::BatchRowWriter(CDatabase& db, const TableDef& table, int rowsPerStatement)
    : m_db(db), m_table(table), m_rowsPerStatement(qMax(1, rowsPerStatement))
{
    for (const ColumnDef& column : table.columns)
        if (!column.autoNumber)
            m_types << column.type;
}

QString BatchRowWriter::insertStatement(const TableDef& table, int rows)
{
    QStringList names, marks;
    for (const ColumnDef& column : table.columns) {
        if (column.autoNumber)
            continue;
        names << column.name;
        marks << QStringLiteral("?");
    }
    const QString row = QLatin1Char('(') + marks.join(QLatin1Char(',')) + QLatin1Char(')');
    QString sql = QStringLiteral("INSERT INTO ") + table.name + QStringLiteral(" (") +
                  names.join(QLatin1Char(',')) + QStringLiteral(") VALUES ");
    sql.reserve(sql.size() + rows * (row.size() + 1));
    for (int i = 0; i < rows; ++i) {
        if (i > 0)
            sql += QLatin1Char(',');
        sql += row;
    }
    return sql;
}

void BatchRowWriter::append(const QVariantList& values)
{
    const int columns = int(m_types.size());
    for (int i = 0; i < columns; ++i) {
        const QVariant value = i < values.size() ? values.at(i) : QVariant();
        m_values.append(CRecordSet::bindable(m_types.at(i), CRecordSet::normalize(m_types.at(i), value)));
    }
    if (++m_rows >= m_rowsPerStatement)
        write(m_rows);
}

void BatchRowWriter::flush()
{
    if (m_rows > 0)
        write(m_rows);
}

void BatchRowWriter::write(int rows)
{
    if (m_opening != m_db.openings()) {
        m_statements.clear(); // prepared on a connection that has since been closed
        m_opening = m_db.openings();
    }
    auto found = m_statements.find(rows);
    if (found == m_statements.end())
        found = m_statements.insert(rows, m_db.prepare(insertStatement(m_table, rows)));
    QSqlQuery& insert = *found;
    for (qsizetype i = 0; i < m_values.size(); ++i)
        insert.bindValue(int(i), m_values.at(i));
    discard();
    try {
        CDatabase::exec(insert);
    } catch (const DbError&) {
        m_statements.clear(); // the connection may have gone; prepare again next time
        throw;
    }
}

} // namespace qalor
