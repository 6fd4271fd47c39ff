// Administrator accounts as every program checks them: hashed passwords, rows
// kept as typed hashed at their first login, and the wait after repeated
// failures, counted in the data source.

#include "RecordingPrompt.h"
#include "TestDatabase.h"
#include "access/AdminAccounts.h"
#include "access/PasswordHash.h"

#include <QDateTime>
#include <QTest>

using namespace qalor;
using qalor::test::RecordingPrompt;
using qalor::test::TestDatabase;
using Outcome = AdminAccounts::Outcome;

namespace {

QString storedPassword(const TestDatabase& db, const QString& name)
{
    return db.scalar(QStringLiteral("SELECT 口令 FROM 管理员口令表 WHERE 管理员名='%1'").arg(name));
}

} // namespace

class TestAccounts : public QObject
{
    Q_OBJECT
private slots:
    void hashesAreSaltedAndVerify()
    {
        const QString password = QStringLiteral("口令 k'7");
        const QString first = PasswordHash::hash(password);
        const QString second = PasswordHash::hash(password);
        QVERIFY(PasswordHash::isHash(first));
        QVERIFY(first.startsWith(QStringLiteral("$argon2id$")));
        QVERIFY(first != second);
        QVERIFY(first.size() < 255); // the width of the column
        QVERIFY(PasswordHash::matches(first, password));
        QVERIFY(PasswordHash::matches(second, password));
        QVERIFY(!PasswordHash::matches(first, QStringLiteral("口令 K'7")));
        QVERIFY(!PasswordHash::matches(first, QString()));
        // A password kept as typed is compared exactly.
        QVERIFY(!PasswordHash::isHash(password));
        QVERIFY(PasswordHash::matches(password, password));
        QVERIFY(!PasswordHash::matches(password, password.toUpper() + QLatin1Char(' ')));
    }

    void plainRowIsHashedAtItsFirstLogin()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        db.execute(QStringLiteral("INSERT INTO 管理员口令表 (管理员名, 口令) VALUES ('张三', 'abc')"));
        AdminAccounts accounts;

        QCOMPARE(accounts.logIn(QStringLiteral("张三"), QStringLiteral("abd")), Outcome::Wrong);
        QCOMPARE(storedPassword(db, QStringLiteral("张三")), QStringLiteral("abc"));

        QCOMPARE(accounts.logIn(QStringLiteral("张三"), QStringLiteral("abc")), Outcome::Ok);
        const QString hashed = storedPassword(db, QStringLiteral("张三"));
        QVERIFY2(PasswordHash::isHash(hashed), qPrintable(hashed));
        QVERIFY(PasswordHash::matches(hashed, QStringLiteral("abc")));
        // The other account keeps its row until it logs in itself.
        QCOMPARE(storedPassword(db, QStringLiteral("Headkeeper")), QStringLiteral("secret"));

        // The hash logs in from now on, and is not made again.
        QCOMPARE(accounts.logIn(QStringLiteral("张三"), QStringLiteral("abc")), Outcome::Ok);
        QCOMPARE(accounts.logIn(QStringLiteral("张三"), QStringLiteral("abc ")), Outcome::Wrong);
        QCOMPARE(storedPassword(db, QStringLiteral("张三")), hashed);
        QCOMPARE(db.column(QStringLiteral("SELECT 管理员名 || '|' || 操作 || '|' || 操作结果 FROM LOGINFO "
                                          "ORDER BY ID")),
                 (QStringList{QStringLiteral("张三|LOGIN|失败"), QStringLiteral("张三|LOGIN|成功"),
                              QStringLiteral("张三|LOGIN|成功"), QStringLiteral("张三|LOGIN|失败")}));
        QVERIFY(prompt.texts.isEmpty());
    }

    void passwordsAreSetHashed()
    {
        TestDatabase db;
        AdminAccounts accounts;
        QVERIFY(!accounts.setPassword(QStringLiteral("张三"), QStringLiteral("new")));
        accounts.store(QStringLiteral("张三"), QStringLiteral("first"));
        accounts.store(QStringLiteral("张三"), QStringLiteral("second"));
        QVERIFY(accounts.setPassword(QStringLiteral("Headkeeper"), QStringLiteral("top")));

        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM 管理员口令表 WHERE 管理员名='张三'")),
                 QStringLiteral("1"));
        QVERIFY(PasswordHash::isHash(storedPassword(db, QStringLiteral("张三"))));
        QCOMPARE(accounts.verify(QStringLiteral("张三"), QStringLiteral("first")), Outcome::Wrong);
        QCOMPARE(accounts.verify(QStringLiteral("张三"), QStringLiteral("second")), Outcome::Ok);
        QCOMPARE(accounts.verify(QStringLiteral("Headkeeper"), QStringLiteral("secret")), Outcome::Wrong);
        QCOMPARE(accounts.verify(QStringLiteral("Headkeeper"), QStringLiteral("top")), Outcome::Ok);
    }

    // Five failures since the last success, within the wait: the account
    // waits, even for the right password; other accounts do not. Once the
    // failures are older than the wait, the right password logs in.
    void fiveFailuresMakeTheAccountWait()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        AdminAccounts accounts;
        const QString name = QStringLiteral("Headkeeper");
        const QString right = QStringLiteral("secret");
        const QString wrong = QStringLiteral("guess");

        // Four failures, then a success: the count starts again.
        for (int i = 0; i < 4; ++i)
            QCOMPARE(accounts.logIn(name, wrong), Outcome::Wrong);
        QCOMPARE(accounts.logIn(name, right), Outcome::Ok);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(accounts.logIn(name, wrong), Outcome::Wrong);
        QVERIFY(!accounts.waiting(name));
        QCOMPARE(accounts.logIn(name, wrong), Outcome::Wrong);
        QVERIFY(accounts.waiting(name));

        QCOMPARE(accounts.logIn(name, right), Outcome::Waiting);
        QCOMPARE(accounts.logIn(QStringLiteral("headkeeper"), right), Outcome::Wrong);
        // Another program on the same data source sees the same count.
        QCOMPARE(AdminAccounts().verify(name, right), Outcome::Waiting);
        QCOMPARE(
            db.scalar(QStringLiteral("SELECT 操作结果 FROM LOGINFO WHERE ID=(SELECT MAX(ID) FROM LOGINFO "
                                     "WHERE 管理员名='Headkeeper')")),
            QStringLiteral("失败"));

        // The failures were made just over the wait ago.
        const QDateTime before = QDateTime::currentDateTime().addSecs(-AdminAccounts::kWaitMinutes * 60 - 2);
        db.execute(
            QStringLiteral("UPDATE LOGINFO SET 日期='%1', 时间='%2' WHERE 操作结果='失败'")
                .arg(before.toString(QStringLiteral("yyyyMMdd")), before.toString(QStringLiteral("HHmmss"))));
        QVERIFY(!accounts.waiting(name));
        QCOMPARE(accounts.logIn(name, right), Outcome::Ok);
        QVERIFY(prompt.texts.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAccounts)
#include "tst_accounts.moc"
