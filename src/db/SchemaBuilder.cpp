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

namespace {
struct IndexDef
{
    const TableDef& table;
    QString name;
    QString columns;
    bool unique = false;
};

// The call table is queried by date and time (detail lists sort by date,
// time and caller: the index hands the rows over in that order), and by
// caller or called number within a period. A data source created before
// the caller joined the first index keeps the index it has.
QList<IndexDef> indexes()
{
    return {{Tables::callCost(), QStringLiteral("话费表_日期"), QStringLiteral("日期, 时间, 主叫号")},
            {Tables::callCost(), QStringLiteral("话费表_主叫"), QStringLiteral("主叫号, 日期")},
            {Tables::callCost(), QStringLiteral("话费表_被叫"), QStringLiteral("被叫号")},
            // The statistics run writes each extension's charges into its row.
            {Tables::tj(), QStringLiteral("tj_电话号码"), QStringLiteral("电话号码")},
            // Every priced call looks for the open stay of its extension.
            {Tables::hotel(), QStringLiteral("宾馆管理表_分机"), QStringLiteral("分机号, 是否已经结帐")},
            {Tables::hotelCall(), QStringLiteral("宾馆通话表_登记"),
             QStringLiteral("分机号, 入住日期, 入住时间")},
            // A call is logged once per rule, however often it is checked.
            {Tables::alertLog(), QStringLiteral("告警记录表_呼叫"),
             QStringLiteral("主叫号, 被叫号, 日期, 时间, 通话秒数, 规则编号"), true},
            {Tables::alertLog(), QStringLiteral("告警记录表_日期"), QStringLiteral("告警日期, 告警时间")}};
}

QString createIndexStatement(const IndexDef& index)
{
    return (index.unique ? QStringLiteral("CREATE UNIQUE INDEX ") : QStringLiteral("CREATE INDEX ")) +
           index.name + QStringLiteral(" ON ") + index.table.name + QStringLiteral(" (") + index.columns +
           QLatin1Char(')');
}
} // namespace

QStringList SchemaBuilder::indexStatements(const TableDef& table)
{
    QStringList statements;
    for (const IndexDef& index : indexes())
        if (&index.table == &table)
            statements << createIndexStatement(index);
    return statements;
}

bool SchemaBuilder::indexExists(const QString& name)
{
    QSqlQuery query = m_db.prepare(indexCountQuery(m_db.dialect()));
    query.addBindValue(name);
    CDatabase::exec(query);
    return query.next() && query.value(0).toInt() > 0;
}

QStringList SchemaBuilder::missingIndexes()
{
    QStringList missing;
    for (const IndexDef& index : indexes())
        if (tableExists(index.table) && !indexExists(index.name))
            missing << index.name;
    return missing;
}

QStringList SchemaBuilder::createMissingIndexes()
{
    const QStringList missing = missingIndexes();
    if (missing.isEmpty())
        return missing;
    CTransaction transaction(m_db);
    for (const IndexDef& index : indexes())
        if (missing.contains(index.name))
            m_db.execute(createIndexStatement(index));
    transaction.commit();
    return missing;
}

bool SchemaBuilder::columnExists(const TableDef& table, const QString& column)
{
    QSqlQuery query(m_db.handle());
    return query.exec(QStringLiteral("SELECT ") + column + QStringLiteral(" FROM ") + table.name +
                      QStringLiteral(" WHERE 1=0"));
}

QStringList SchemaBuilder::missingColumns(const QList<const TableDef*>& tables)
{
    QStringList missing;
    for (const TableDef* table : tables) {
        if (!tableExists(*table))
            continue;
        for (const ColumnDef& column : table->columns)
            if (!columnExists(*table, column.name))
                missing << table->name + QLatin1Char('.') + column.name;
    }
    return missing;
}

QStringList SchemaBuilder::addMissingColumns(const QList<const TableDef*>& tables)
{
    const QStringList missing = missingColumns(tables);
    if (missing.isEmpty())
        return missing;
    CTransaction transaction(m_db);
    for (const QString& name : missing) {
        const TableDef* table = TableRegistry::find(name.section(QLatin1Char('.'), 0, 0));
        const ColumnDef& column = table->column(table->indexOf(name.section(QLatin1Char('.'), 1)));
        m_db.execute(QStringLiteral("ALTER TABLE ") + table->name + QStringLiteral(" ADD COLUMN ") +
                     column.name + QLatin1Char(' ') + columnTypeName(m_db.dialect(), column));
    }
    transaction.commit();
    return missing;
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
