#pragma once

#include "db/CDatabase.h"
#include "db/TableDef.h"

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
    // Returns the names of the tables created.
    QStringList createMissing(const QString& headkeeperPassword, bool sample);

    // Indexes of tables that exist but lack them (a data source created
    // before the index was part of the schema, or by other means), and
    // their creation: in one transaction, rows untouched. Returns the names
    // of the indexes created.
    QStringList missingIndexes();
    QStringList createMissingIndexes();

    static QString createStatement(const TableDef& table, SqlDialect dialect);
    static QStringList indexStatements(const TableDef& table);

private:
    bool indexExists(const QString& name);

    CDatabase& m_db;
};

} // namespace qalor
