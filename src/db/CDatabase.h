#pragma once

#include "db/DbError.h"

#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace qalor {

enum class SqlDialect { SQLite, PostgreSQL };

// A connection to the data source "TDS" through the QODBC driver.
//
// The connection string is the DSN "TDS" unless the environment variable
// QALOR_ODBC holds a full ODBC connection string (or the program set another
// one with setDefaultConnectionString). Every failure raises DbError with the
// driver's text.
class CDatabase
{
public:
    static QString defaultConnectionString();
    // The embedded data source: a SQLite file through the SQLite3 ODBC driver,
    // write-ahead log with a full sync at every commit (one flush per stored
    // call, nothing lost when the power goes), five seconds' patience with a
    // busy file. The driver reads the whole result of a query when it runs
    // (with StepAPI it would step through a statement without bound values
    // instead, but end that statement without a word as soon as another one
    // runs on the connection: a result read page by page would lose its
    // rest when a call is stored in between). The DSN that set-up registers
    // carries the same settings.
    static QString embeddedConnectionString(const QString& file);
    static void setDefaultConnectionString(const QString& connection);
    // The folder of the SQLite file a connection string names, when that
    // folder does not exist; empty otherwise.
    static QString missingSqliteFolder(const QString& connection);

    // The process-wide connection that record sets and statements share, so
    // that one transaction covers everything done on the user-interface thread.
    static CDatabase& shared();
    // Closes and forgets the shared connection (the next use opens it anew).
    static void resetShared();

    explicit CDatabase(const QString& connection = defaultConnectionString());
    ~CDatabase();
    CDatabase(const CDatabase&) = delete;
    CDatabase& operator=(const CDatabase&) = delete;

    void open();
    void close();
    bool isOpen() const;
    // Opens the connection if it is not open.
    void ensureOpen();
    // Tables the program keeps for its own bookkeeping (journal marks, the
    // collector's tables): opens the connection and runs the CREATE TABLE IF
    // NOT EXISTS statements once per data source.
    void ensureOwnTables(const QStringList& statements);

    void execute(const QString& sql);
    // Returns the number of rows the statement touched, or -1 when unknown.
    int executeCount(const QString& sql);
    QSqlQuery prepare(const QString& sql);
    static void exec(QSqlQuery& query);

    void beginTransaction();
    // A commit or rollback that fails closes the connection (the next use
    // opens it anew): the driver may have been left committing statement by
    // statement.
    void commit();
    void rollback();
    bool inTransaction() const { return m_transactionDepth > 0; }
    // Work that may only follow the outermost transaction's end: run with
    // true once it committed, with false once it was rolled back or lost
    // with the connection. Outside a transaction the statements are
    // committed already: it runs at once, with true.
    void afterTransaction(std::function<void(bool committed)> action);
    // Counts the times the connection was opened: a statement prepared on an
    // earlier opening is gone with it.
    int openings() const { return m_openings; }

    SqlDialect dialect() const;
    QSqlDatabase& handle() { return m_db; }
    // The ODBC connection handle (an SQLHDBC) of the open connection;
    // nullptr when the connection is not reached through ODBC.
    void* odbcConnection() const;
    const QString& connectionString() const { return m_connection; }

private:
    // Rolls back what can be rolled back and closes the connection.
    void discardConnection();
    // Whether the driver knows its connection to the server to be gone.
    bool connectionDead() const;
    QSet<QString> m_ownTables; // data source and first statement, once created
    void endTransaction(bool committed);

    QString m_connection;
    QString m_name;
    QSqlDatabase m_db;
    int m_transactionDepth = 0;
    bool m_rollbackOnly = false;
    int m_openings = 0;
    std::vector<std::function<void(bool)>> m_afterTransaction;
};

// Runs a block of statements as one transaction: rolled back unless commit()
// was called before the guard goes out of scope. Nested guards join the
// outer transaction; when an inner one rolls back, the outer commit() rolls
// everything back and raises DbError.
class CTransaction
{
public:
    explicit CTransaction(CDatabase& db);
    ~CTransaction();
    CTransaction(const CTransaction&) = delete;
    CTransaction& operator=(const CTransaction&) = delete;
    void commit();

private:
    CDatabase& m_db;
    bool m_done = false;
};

} // namespace qalor
