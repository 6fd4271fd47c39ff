// Administrator login and logout without windows: the account check, the
// flags, the messages, the audit rows and the logout timer.

#include "RecordingPrompt.h"
#include "TestDatabase.h"
#include "app/AdminSession.h"
#include "app/AppState.h"
#include "db/CDatabase.h"
#include "tst_shell_support.h"

#include <QSignalSpy>
#include <QTest>

using namespace qalor;
using qalor::test::auditRows;
using qalor::test::RecordingPrompt;
using qalor::test::TestDatabase;

class TestShellSession : public QObject
{
    Q_OBJECT
private slots:
    void loginRules_data();
    void loginRules();
    void cancelWhileLoggedInLogsOut();
    void logoutAlwaysReportsAndLogs();
    void timerEndsLoginWithoutMessage();
    void unreachableSourceIsAFailedLogin();
    void repeatedFailuresMakeTheLoginWait();
};

void TestShellSession::loginRules_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("loggedIn");
    QTest::addColumn<int>("superAdmin");
    QTest::addColumn<QString>("message");

    const QString ordinary = QStringLiteral("You can change data all but PASSWORD!");
    const QString headkeeper = QStringLiteral("Now you can change the PASSWORD table!");
    const QString refused = QStringLiteral("Error Name or Password!");

    QTest::newRow("ordinary administrator") << "张三"
                                            << "abc" << 1 << 0 << ordinary;
    QTest::newRow("headkeeper by name") << "Headkeeper"
                                        << "secret" << 1 << 1 << headkeeper;
    QTest::newRow("wrong password") << "张三"
                                    << "abd" << 0 << 0 << refused;
    QTest::newRow("password differs in case") << "张三"
                                              << "ABC" << 0 << 0 << refused;
    QTest::newRow("name differs in case") << "headkeeper"
                                          << "secret" << 0 << 0 << refused;
    QTest::newRow("empty password never logs in") << "nopass"
                                                  << "" << 0 << 0 << refused;
    QTest::newRow("unknown name") << "nobody"
                                  << "abc" << 0 << 0 << refused;
    QTest::newRow("apostrophe in an existing name") << "O'Brien"
                                                    << "pw'1" << 1 << 0 << ordinary;
    QTest::newRow("apostrophe in an unknown name") << "D'Arcy"
                                                   << "abc" << 0 << 0 << refused;
    QTest::newRow("quoted condition is just a name") << "x' OR '1'='1"
                                                     << "abc" << 0 << 0 << refused;
    QTest::newRow("trailing blank in name") << "张三 "
                                            << "abc" << 0 << 0 << refused;
}

void TestShellSession::loginRules()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(int, loggedIn);
    QFETCH(int, superAdmin);
    QFETCH(QString, message);

    TestDatabase db;
    db.execute(QStringLiteral("INSERT INTO 管理员口令表 (管理员名, 口令) VALUES ('张三', 'abc')"));
    db.execute(QStringLiteral("INSERT INTO 管理员口令表 (管理员名, 口令) VALUES ('nopass', '')"));
    db.execute(QStringLiteral("INSERT INTO 管理员口令表 (管理员名, 口令) VALUES ('O''Brien', 'pw''1')"));
    RecordingPrompt prompt;
    AppState state;
    state.loggedIn = 1; // an earlier login ends with every attempt
    state.superAdmin = 1;
    AdminSession session(state);
    QSignalSpy changes(&session, &AdminSession::loginStateChanged);

    session.beginLogin();
    QCOMPARE(state.loggedIn, 0);
    QCOMPARE(state.superAdmin, 0);
    QCOMPARE(session.confirmLogin(name, password), loggedIn == 1);

    QCOMPARE(state.loggedIn, loggedIn);
    QCOMPARE(state.superAdmin, superAdmin);
    QCOMPARE(prompt.texts, QStringList{message});
    QCOMPARE(session.logoutTimerActive(), loggedIn == 1);
    QCOMPARE(changes.last().at(0).toBool(), loggedIn == 1);
    const QString result = loggedIn ? QStringLiteral("成功") : QStringLiteral("失败");
    QCOMPARE(auditRows(db), QStringList{name + "|LOGIN|" + result});
}

void TestShellSession::cancelWhileLoggedInLogsOut()
{
    TestDatabase db;
    RecordingPrompt prompt;
    AppState state;
    AdminSession session(state);
    QVERIFY(session.confirmLogin(QStringLiteral("Headkeeper"), QStringLiteral("secret")));
    prompt.texts.clear();
    QSignalSpy changes(&session, &AdminSession::loginStateChanged);

    session.beginLogin();
    session.cancelLogin();

    QCOMPARE(state.loggedIn, 0);
    QCOMPARE(state.superAdmin, 0);
    QVERIFY(prompt.texts.isEmpty());
    QVERIFY(!changes.isEmpty());
    QCOMPARE(changes.last().at(0).toBool(), false);
    QCOMPARE(auditRows(db),
             (QStringList{QStringLiteral("Headkeeper|LOGIN|成功"), QStringLiteral("|LOGIN|失败")}));
}

void TestShellSession::logoutAlwaysReportsAndLogs()
{
    TestDatabase db;
    RecordingPrompt prompt;
    AppState state;
    AdminSession session(state);

    session.logout(); // nobody logged in
    QVERIFY(session.confirmLogin(QStringLiteral("Headkeeper"), QStringLiteral("secret")));
    QVERIFY(session.logoutTimerActive());
    session.logout();

    QCOMPARE(state.loggedIn, 0);
    QCOMPARE(state.superAdmin, 0);
    QVERIFY(!session.logoutTimerActive());
    QCOMPARE(prompt.texts, (QStringList{QStringLiteral("Logout Secceeded!"),
                                        QStringLiteral("Now you can change the PASSWORD table!"),
                                        QStringLiteral("Logout Secceeded!")}));
    QCOMPARE(auditRows(db),
             (QStringList{QStringLiteral("无|LOGOUT|成功"), QStringLiteral("Headkeeper|LOGIN|成功"),
                          QStringLiteral("无|LOGOUT|成功")}));
}

void TestShellSession::timerEndsLoginWithoutMessage()
{
    TestDatabase db;
    RecordingPrompt prompt;
    AppState state;
    AdminSession session(state);
    QCOMPARE(session.logoutInterval(), 3600000);
    session.setLogoutInterval(150);
    QVERIFY(session.confirmLogin(QStringLiteral("Headkeeper"), QStringLiteral("secret")));
    prompt.texts.clear();
    QSignalSpy changes(&session, &AdminSession::loginStateChanged);

    QVERIFY(changes.wait(5000));
    QCOMPARE(changes.last().at(0).toBool(), false);
    QCOMPARE(state.loggedIn, 0);
    QCOMPARE(state.superAdmin, 0);
    QVERIFY(prompt.texts.isEmpty());
    QVERIFY(session.logoutTimerActive()); // keeps running until a logout or the next login
    QCOMPARE(auditRows(db), QStringList{QStringLiteral("Headkeeper|LOGIN|成功")});

    // A login in between restarts the hour: the lapse counts from the last login.
    session.setLogoutInterval(400);
    QVERIFY(session.confirmLogin(QStringLiteral("Headkeeper"), QStringLiteral("secret")));
    QTest::qWait(250);
    QVERIFY(session.confirmLogin(QStringLiteral("Headkeeper"), QStringLiteral("secret")));
    QTest::qWait(250);
    QCOMPARE(state.loggedIn, 1);
    QTRY_COMPARE_WITH_TIMEOUT(state.loggedIn, 0, 5000);
}

void TestShellSession::unreachableSourceIsAFailedLogin()
{
    RecordingPrompt prompt;
    CDatabase::resetShared();
    CDatabase::setDefaultConnectionString(QStringLiteral("QalorNoSuchSource"));
    AppState state;
    AdminSession session(state);

    QVERIFY(!session.confirmLogin(QStringLiteral("Headkeeper"), QStringLiteral("secret")));
    QCOMPARE(state.loggedIn, 0);
    // The refusal, then the audit row's own failure; the lookup adds nothing.
    QCOMPARE(prompt.texts.size(), 2);
    QCOMPARE(prompt.texts.first(), QStringLiteral("Error Name or Password!"));
    CDatabase::resetShared();
    CDatabase::setDefaultConnectionString(QString());
}

// The window's login waits like every program's: the sixth attempt is
// refused with its own message, whatever the password.
void TestShellSession::repeatedFailuresMakeTheLoginWait()
{
    TestDatabase db;
    RecordingPrompt prompt;
    AppState state;
    AdminSession session(state);
    for (int i = 0; i < 5; ++i)
        QVERIFY(!session.confirmLogin(QStringLiteral("Headkeeper"), QStringLiteral("guess")));
    prompt.texts.clear();

    QVERIFY(!session.confirmLogin(QStringLiteral("Headkeeper"), QStringLiteral("secret")));
    QCOMPARE(state.loggedIn, 0);
    QCOMPARE(prompt.texts, QStringList{QStringLiteral("该管理员已连续5次登录失败，请5分钟后再登录！")});
    QCOMPARE(auditRows(db).size(), 6);
    QCOMPARE(auditRows(db).last(), QStringLiteral("Headkeeper|LOGIN|失败"));
}

QTEST_GUILESS_MAIN(TestShellSession)
#include "tst_shell_session.moc"
