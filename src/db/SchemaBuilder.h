#pragma once

#include "db/CDatabase.h"
#include "db/TableDef.h"
#include "db/TableRegistry.h"

#include <QStringList>

namespace qalor {

// Creates the tables of the data source. It only ever adds: tables that
// already exist are left exactly as they are, with their rows.
class SchemaBuilder
{
public:
    explicit SchemaBuilder(CDatabase& db);

    bool tableExists(const TableDef& table);
    QList<const TableDef*> missingTables();

    // Creates every missing table with its indexes and default rows (and the
    // demonstration data when sample is set), all in one transaction.
    // headkeeperPassword is stored as given in the Headkeeper's 口令: the
    // schema tool gives it hashed. Returns the names of the tables created.
    QStringList createMissing(const QString& headkeeperPassword, bool sample);

    // Indexes of tables that exist but lack them (a data source created
    // before the index was part of the schema, or by other means), and
    // their creation: in one transaction, rows untouched. Returns the names
    // of the indexes created.
    QStringList missingIndexes();
    QStringList createMissingIndexes();

    // Columns that tables already there lack (a column added to the
    // schema since they were made), as "table.column", and their addition at
    // the end of the table: in one transaction, rows untouched (the new
    // column holds nothing). Returns what was added.
    QStringList missingColumns(const QList<const TableDef*>& tables = TableRegistry::all());
    QStringList addMissingColumns(const QList<const TableDef*>& tables = TableRegistry::all());

    static QString createStatement(const TableDef& table, SqlDialect dialect);
    static QStringList indexStatements(const TableDef& table);

private:
    bool indexExists(const QString& name);
    bool columnExists(const TableDef& table, const QString& column);

    CDatabase& m_db;
};

} // namespace qalor
