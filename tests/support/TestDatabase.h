#pragma once

#include <QString>
#include <QTemporaryDir>

namespace qalor::test {

// A fresh data source for one test, with every table and its default rows.
// The back end comes from QALOR_TEST_BACKEND: "sqlite" (default, a file in a
// temporary folder through the SQLite3 ODBC driver) or "postgres" (a new
// database on the server named by QALOR_TEST_PG, a connection string without
// Database=). While it lives, it is the default connection of the process.
class TestDatabase
{
public:
    explicit TestDatabase(bool sample = false);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    const QString& connectionString() const { return m_connection; }
    static bool isPostgres();
    // Runs one statement on a separate connection (for checks and set-up).
    void execute(const QString& sql) const;
    // The first column of every row a query returns, as text.
    QStringList column(const QString& sql) const;
    QString scalar(const QString& sql) const;
    // PostgreSQL only: the server stops taking connections to this database
    // and drops the ones it has (an outage), or takes them again.
    void setReachable(bool reachable) const;

private:
    QTemporaryDir m_dir;
    QString m_name;
    QString m_connection;
};

} // namespace qalor::test
