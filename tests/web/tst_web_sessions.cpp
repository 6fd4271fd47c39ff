#include "web/WebSessions.h"

#include <QTest>

using namespace qalor;

class TestWebSessions : public QObject
{
    Q_OBJECT
private slots:
    void lapseAnHourAfterTheLastUse();
};

// A session lives as long as it is used: an hour after its last request,
// not after its login, it is gone for good; the second token is the
// session's own.
void TestWebSessions::lapseAnHourAfterTheLastUse()
{
    qint64 now = 0;
    WebSessions sessions(WebSessions::DefaultIdleMs, [&now] { return now; });
    const qint64 minute = 60 * 1000;
    const QString token = sessions.open(QStringLiteral("Headkeeper"));
    const QString other = sessions.open(QStringLiteral("值班员"));
    QVERIFY(token != other);
    QCOMPARE(token.size(), 64);

    now = 59 * minute;
    const std::optional<WebSessions::Session> session = sessions.use(token);
    QVERIFY(session);
    QCOMPARE(session->user, QStringLiteral("Headkeeper"));
    QVERIFY(WebSessions::csrfMatches(*session, session->csrf.toLatin1()));
    QVERIFY(!WebSessions::csrfMatches(*session, QByteArray()));
    QVERIFY(!WebSessions::csrfMatches(*session, session->csrf.toLatin1().left(63)));
    QVERIFY(!WebSessions::csrfMatches(*session,
                                      sessions.use(other).value_or(WebSessions::Session{}).csrf.toLatin1()));

    now = 118 * minute; // 59 minutes after its last use
    QVERIFY(sessions.use(token));
    now = 178 * minute;
    QVERIFY(!sessions.use(token));
    now = 178 * minute + 1;
    QVERIFY(!sessions.use(token)); // not back
    QVERIFY(!sessions.use(QString()));
    QVERIFY(!sessions.use(other)); // unused since minute 59
}

QTEST_GUILESS_MAIN(TestWebSessions)
#include "tst_web_sessions.moc"
