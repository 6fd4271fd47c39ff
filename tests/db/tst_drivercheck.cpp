// Which data sources the workstation starts on.

#include "TestDatabase.h"

#include "db/CDatabase.h"
#include "db/DriverCheck.h"

#include <QTest>

using namespace qalor;
using qalor::test::TestDatabase;

class TestDriverCheck : public QObject
{
    Q_OBJECT
private slots:
    void backEndUnderTestIsNamedAndSupported()
    {
        TestDatabase db;
        const DriverIdentity identity = DriverCheck::identify(CDatabase::shared());
        QCOMPARE(identity.dbmsName,
                 TestDatabase::isPostgres() ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite"));
        QVERIFY(!identity.dbmsVersion.isEmpty());
        QVERIFY2(identity.driverName.contains(TestDatabase::isPostgres() ? QLatin1String("psqlodbc")
                                                                          : QLatin1String("sqlite3odbc")),
                 qPrintable(identity.driverName));
        QVERIFY(DriverCheck::supported(identity));
    }

    void onlySqlite3AndPostgresql_data()
    {
        QTest::addColumn<QString>("dbms");
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("supported");
        QTest::newRow("SQLite 3") << "SQLite" << "3.40.1" << true;
        QTest::newRow("SQLite 2") << "SQLite" << "2.8.17" << false;
        QTest::newRow("PostgreSQL") << "PostgreSQL" << "15.00.0005" << true;
        QTest::newRow("SQL Server") << "Microsoft SQL Server" << "16.00.1000" << false;
        QTest::newRow("MySQL") << "MySQL" << "8.0.35" << false;
        QTest::newRow("MariaDB") << "MariaDB" << "10.11.4" << false;
        QTest::newRow("nothing named") << "" << "" << false;
    }
    void onlySqlite3AndPostgresql()
    {
        QFETCH(QString, dbms);
        QFETCH(QString, version);
        QFETCH(bool, supported);
        const DriverIdentity identity{dbms, version, QStringLiteral("libother.so")};
        QCOMPARE(DriverCheck::supported(identity), supported);
        const QString refusal = DriverCheck::refusalText(identity);
        QVERIFY(refusal.contains(QStringLiteral("libother.so")));
        QVERIFY(refusal.contains(QStringLiteral("只支持SQLite 3和PostgreSQL")));
    }
};

QTEST_GUILESS_MAIN(TestDriverCheck)
#include "tst_drivercheck.moc"
