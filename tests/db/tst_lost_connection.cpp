#include "TestDatabase.h"
#include "db/CDatabase.h"

#include <QDeadlineTimer>
#include <QtTest>

using namespace qalor;
using namespace qalor::test;

class TestLostConnection : public QObject
{
    Q_OBJECT

private slots:
    void commitAfterTheConnectionBrokeFails();
};

// The server ends the connection in the middle of a transaction; a
// statement fails and the caller goes past it (the alert check does: the
// call itself is stored). The row written before is gone with the server's
// transaction, so the commit must fail, and what waits for it hear so, or a
// call announced as stored would be lost.
void TestLostConnection::commitAfterTheConnectionBrokeFails()
{
    if (!TestDatabase::isPostgres())
        QSKIP("the embedded data source has no connection to lose");
    TestDatabase db;
    CDatabase& shared = CDatabase::shared();
    shared.execute(QStringLiteral("CREATE TABLE 断线表 (号 INTEGER)"));
    std::optional<bool> committed;
    {
        CTransaction transaction(shared);
        shared.execute(QStringLiteral("INSERT INTO 断线表 VALUES (1)"));
        shared.afterTransaction([&](bool done) { committed = done; });
        db.setReachable(false);
        bool broke = false;
        for (QDeadlineTimer deadline(30000); !broke && !deadline.hasExpired(); QTest::qWait(20)) {
            try {
                shared.execute(QStringLiteral("SELECT 1"));
            } catch (const DbError&) {
                broke = true;
            }
        }
        QVERIFY(broke);
        QVERIFY_THROWS_EXCEPTION(DbError, transaction.commit());
    }
    QCOMPARE(committed, std::optional<bool>(false));
    db.setReachable(true);
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM 断线表")), QStringLiteral("0"));
    // The next transaction runs on a fresh connection.
    {
        CTransaction transaction(shared);
        shared.execute(QStringLiteral("INSERT INTO 断线表 VALUES (2)"));
        transaction.commit();
    }
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM 断线表")), QStringLiteral("1"));
}

QTEST_GUILESS_MAIN(TestLostConnection)
#include "tst_lost_connection.moc"
