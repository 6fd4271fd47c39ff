#include "TestDatabase.h"

#include "db/CDatabase.h"
#include "db/ProgramStart.h"
#include "db/SchemaBuilder.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <stdexcept>

namespace qalor::test {

namespace {

QString pgServer()
{
    const QString server = qEnvironmentVariable("QALOR_TEST_PG");
    if (server.isEmpty())
        throw std::runtime_error("QALOR_TEST_BACKEND=postgres needs QALOR_TEST_PG");
    return server;
}

QString uniqueName()
{
    static int counter = 0;
    return QStringLiteral("qalor_t%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
}

} // namespace

bool TestDatabase::isPostgres()
{
    return qEnvironmentVariable("QALOR_TEST_BACKEND") == QLatin1String("postgres");
}

TestDatabase::TestDatabase(bool sample)
{
    // As the programs do at start: the tests run in any locale too.
    ProgramStart::prepareProcess();
    CDatabase::resetShared();
    if (isPostgres()) {
        m_name = uniqueName();
        CDatabase admin(pgServer() + QStringLiteral(";Database=postgres"));
        admin.execute(QStringLiteral("CREATE DATABASE ") + m_name);
        m_connection = pgServer() + QStringLiteral(";Database=") + m_name;
    } else {
        m_connection = CDatabase::embeddedConnectionString(m_dir.filePath(QStringLiteral("tds.sqlite")));
    }
    CDatabase::setDefaultConnectionString(m_connection);
    SchemaBuilder(CDatabase::shared()).createMissing(QStringLiteral("secret"), sample);
}

TestDatabase::~TestDatabase()
{
    CDatabase::resetShared();
    CDatabase::setDefaultConnectionString(QString());
    if (!m_name.isEmpty()) {
        try {
            CDatabase admin(pgServer() + QStringLiteral(";Database=postgres"));
            admin.execute(QStringLiteral("DROP DATABASE IF EXISTS ") + m_name + QStringLiteral(" WITH (FORCE)"));
        } catch (...) {
        }
    }
}

void TestDatabase::execute(const QString& sql) const
{
    CDatabase db(m_connection);
    db.execute(sql);
}

QStringList TestDatabase::column(const QString& sql) const
{
    CDatabase db(m_connection);
    db.open();
    QSqlQuery query(db.handle());
    if (!query.exec(sql))
        throw DbError::fromSql(query.lastError());
    QStringList values;
    while (query.next())
        values << query.value(0).toString();
    return values;
}

void TestDatabase::setReachable(bool reachable) const
{
    if (m_name.isEmpty())
        throw std::logic_error("only a server database can become unreachable");
    CDatabase admin(pgServer() + QStringLiteral(";Database=postgres"));
    admin.execute(QStringLiteral("ALTER DATABASE %1 ALLOW_CONNECTIONS %2")
                      .arg(m_name, reachable ? QStringLiteral("true") : QStringLiteral("false")));
    if (!reachable)
        admin.execute(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '%1'")
                          .arg(m_name));
}

QString TestDatabase::scalar(const QString& sql) const
{
    const QStringList values = column(sql);
    return values.isEmpty() ? QString() : values.first();
}

} // namespace qalor::test
