#include "db/SchemaBuilder.h"

#include "db/DefaultRows.h"
#include "db/SqlDialectText.h"
#include "db/TableRegistry.h"

#include <QSqlError>
#include <QSqlQuery>

namespace qalor {

SchemaBuilder::SchemaBuilder(CDatabase& db) : m_db(db) {}

bool SchemaBuilder::tableExists(const TableDef& table)
{
    m_db.ensureOpen();
    QSqlQuery query(m_db.handle());
    return query.exec(QStringLiteral("SELECT 1 FROM ") + table.name + QStringLiteral(" WHERE 1=0"));
}

QList<const TableDef*> SchemaBuilder::missingTables()
{
    QList<const TableDef*> missing;
    for (const TableDef* table : TableRegistry::all())
        if (!tableExists(*table))
            missing.append(table);
    return missing;
}

QString SchemaBuilder::createStatement(const TableDef& table, SqlDialect dialect)
{
    QStringList columns;
    for (const ColumnDef& column : table.columns)
        columns << column.name + QLatin1Char(' ') + columnTypeName(dialect, column);
    return QStringLiteral("CREATE TABLE ") + table.name + QStringLiteral(" (") + columns.join(QStringLiteral(", ")) +
           QLatin1Char(')');
}

QStringList SchemaBuilder::indexStatements(const TableDef& table)
{
    // The call table is queried by date and time, and by caller within a period.
    if (&table != &Tables::callCost())
        return {};
    return {QStringLiteral("CREATE INDEX 话费表_日期 ON 话费表 (日期, 时间)"),
            QStringLiteral("CREATE INDEX 话费表_主叫 ON 话费表 (主叫号, 日期)"),
            QStringLiteral("CREATE INDEX 话费表_被叫 ON 话费表 (被叫号)")};
}

QStringList SchemaBuilder::createMissing(const QString& headkeeperPassword, bool sample)
{
    const QList<const TableDef*> missing = missingTables();
    QStringList created;
    if (missing.isEmpty())
        return created;
    CTransaction transaction(m_db);
    for (const TableDef* table : missing) {
        m_db.execute(createStatement(*table, m_db.dialect()));
        for (const QString& index : indexStatements(*table))
            m_db.execute(index);
        insertDefaultRows(m_db, *table, headkeeperPassword);
        if (sample)
            insertSampleRows(m_db, *table);
        created << table->name;
    }
    transaction.commit();
    return created;
}

} // namespace qalor
