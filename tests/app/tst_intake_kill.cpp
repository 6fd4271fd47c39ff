#include "CdrLines.h"
#include "OpenDevice.h"
#include "StoredCalls.h"
#include "TestDatabase.h"

#include "intake/LineJournal.h"
#include "intake/ReceivedJournal.h"
#include "serial/StreamBreak.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace qalor;
using namespace qalor::test;

// The real workstation killed with SIGKILL at random moments while calls
// stream in on a pseudo-terminal, also while it is still handling what it
// read before (the replay after a restart): every call the exchange sent is
// stored exactly once.
class TestIntakeKill : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void everyCallIsStoredOnceAcrossKills();
    void restartBreaksTheStream();

private:
    void startWorkstation(const TestDatabase& db);
    void killWorkstation();

    QTemporaryDir m_dir;
    QProcess m_socat;
    QProcess m_qalor;
    QString m_pbx;
    QString m_line;
    int m_killedWhileHandling = 0;
    qint64 m_breaks = 0; // break marks the starts wrote into the received journal
};

void TestIntakeKill::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty())
        QSKIP("socat is not installed");
    QVERIFY(m_dir.isValid());
    m_pbx = m_dir.filePath(QStringLiteral("pbx"));
    m_line = m_dir.filePath(QStringLiteral("com1"));
    m_socat.start(QStringLiteral("socat"), {QStringLiteral("pty,raw,echo=0,link=") + m_pbx,
                                            QStringLiteral("pty,raw,echo=0,link=") + m_line});
    QVERIFY(m_socat.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_pbx) && QFile::exists(m_line), 10000);
    const QString settings = m_dir.filePath(QStringLiteral("config/Local AppWizard-Generated Applications"));
    QVERIFY(QDir().mkpath(settings));
    QFile conf(settings + QStringLiteral("/qalor.conf"));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write("[SerialPorts]\nCOM1=" + m_line.toUtf8() + "\n");
}

void TestIntakeKill::cleanupTestCase()
{
    killWorkstation();
    if (m_socat.state() != QProcess::NotRunning) {
        m_socat.terminate();
        m_socat.waitForFinished(5000);
    }
}

void TestIntakeKill::init()
{
    // Journals belong to one test only.
    killWorkstation();
    QVERIFY(QDir(m_dir.filePath(QStringLiteral("data"))).removeRecursively());
    m_breaks = 0;
}

void TestIntakeKill::startWorkstation(const TestDatabase& db)
{
    // Every start after the first marks a break in the received journal.
    if (ReceivedJournal(m_dir.filePath(QStringLiteral("data/received.journal"))).end() > 0)
        ++m_breaks;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QALOR_ODBC"), db.connectionString());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("QALOR_DATA_DIR"), m_dir.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
    m_qalor.setProcessEnvironment(env);
    m_qalor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_qalor.start(QStringLiteral(QALOR_BINARY), {});
    QVERIFY(m_qalor.waitForStarted());
    // What the exchange sends before the port is open is lost on the line.
    QTRY_VERIFY_WITH_TIMEOUT(hasOpen(m_qalor.processId(), m_line), 30000);
}

void TestIntakeKill::killWorkstation()
{
    if (m_qalor.state() == QProcess::NotRunning)
        return;
    m_qalor.kill(); // SIGKILL: no destructor, no flush runs
    m_qalor.waitForFinished(5000);
    const ReceivedJournal journal(m_dir.filePath(QStringLiteral("data/received.journal")));
    if (journal.handledThrough() < journal.end())
        ++m_killedWhileHandling;
}

void TestIntakeKill::everyCallIsStoredOnceAcrossKills()
{
    TestDatabase db(true);
    // A guest in every room: each call's charge is kept with the call.
    for (int room = 1; room <= 16; ++room)
        db.execute(QStringLiteral(
                       "INSERT INTO 宾馆管理表 (分机号, 房间号, 入住日期, 入住时间, 结帐金额, 是否已经结帐, "
                       "服务费比例, 押金) VALUES ('8%1', '', '260301', '120000', 0, 0, 0, 0)")
                       .arg(room, 3, 10, QLatin1Char('0')));
    QFile pbx(m_pbx);
    QVERIFY(pbx.open(QIODevice::WriteOnly | QIODevice::Unbuffered));

    // 12 rounds: a burst of calls in random chunks, a kill at a random moment
    // once the workstation has read the burst (often while it is being
    // stored), a restart that replays what the killed run read, and sometimes
    // a second kill during that replay. (Characters still on their way when
    // the program dies are lost on the line, as on any serial line: the
    // pseudo-terminal drops what its closed end still held.)
    QRandomGenerator random(20261207);
    const int rounds = 12;
    int sent = 0;
    qint64 sentCharacters = 0;
    QStringList dialled;
    const QString journalPath = m_dir.filePath(QStringLiteral("data/received.journal"));
    startWorkstation(db);
    QVERIFY(!QTest::currentTestFailed());
    for (int round = 0; round < rounds; ++round) {
        const int burst = random.bounded(20, 60);
        QString text;
        for (int i = sent; i < sent + burst; ++i) {
            const CdrCall call =
                mobileCall(i, QStringLiteral("8%1").arg(i % 16 + 1, 3, 10, QLatin1Char('0')));
            text += call.line();
            dialled << call.dialled;
        }
        sent += burst;
        const QByteArray bytes = text.toLatin1();
        qsizetype at = 0;
        for (int size : randomChunks(bytes.size(), 400, random.generate())) {
            QCOMPARE(pbx.write(bytes.mid(at, size)), qMin<qsizetype>(size, bytes.size() - at));
            at += size;
            QTest::qWait(random.bounded(0, 4));
        }
        sentCharacters += bytes.size();
        // Watched closely, so that the kill often meets the burst being stored.
        QElapsedTimer reading;
        reading.start();
        while (ReceivedJournal(journalPath).end() < sentCharacters + m_breaks) {
            QVERIFY2(reading.elapsed() < 30000, "the workstation did not read the burst");
            QTest::qWait(1);
        }
        QTest::qWait(random.bounded(0, 30));
        killWorkstation();
        startWorkstation(db);
        if (random.bounded(2)) {
            // Killed again while it replays what it read before.
            QTest::qWait(random.bounded(100, 600));
            killWorkstation();
            startWorkstation(db);
        }
        QVERIFY(!QTest::currentTestFailed());
    }

    const auto stored = [&] { return db.scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")).toInt(); };
    QTRY_COMPARE_WITH_TIMEOUT(stored(), sent, 90000);
    killWorkstation();
    // How many kills met characters read and not yet handled depends on the
    // machine's speed; the figure is printed, not asserted.
    qInfo("%d calls, %d kills with read characters not yet handled", sent, m_killedWhileHandling);
    QCOMPARE(storedTwice(db), QStringList());
    dialled.sort();
    QCOMPARE(storedNumbers(db), dialled);
    // Every stored call was added to its guest's bill once, and no other:
    // 0.80 a call.
    QCOMPARE(db.column(QStringLiteral(
                 "SELECT 分机号 FROM 宾馆管理表 h WHERE CAST(ROUND(结帐金额*100) AS INTEGER) <> "
                 "80*(SELECT COUNT(*) FROM 话费表 c WHERE c.主叫号=h.分机号)")),
             QStringList());
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM 宾馆通话表")).toInt(), sent);
}

// Killed in the middle of a line: the exchange goes on while the
// workstation is down, so what comes after the restart never completes the
// line the journal ends inside. And a line read just before a kill that the
// line brings again after the restart is stored once.
void TestIntakeKill::restartBreaksTheStream()
{
    TestDatabase db(true);
    QFile pbx(m_pbx);
    QVERIFY(pbx.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QString journalPath = m_dir.filePath(QStringLiteral("data/received.journal"));
    const auto stored = [&] {
        QStringList numbers = db.column(QStringLiteral("SELECT 被叫号 FROM 话费表"));
        numbers.sort();
        return numbers;
    };
    const auto numbersOf = [](const QList<int>& calls) {
        QStringList numbers;
        for (int i : calls)
            numbers << mobileCall(i).dialled;
        numbers.sort();
        return numbers;
    };
    startWorkstation(db);
    QVERIFY(!QTest::currentTestFailed());

    // Ten calls and the first 40 characters of the eleventh.
    const QString cutShort = mobileCall(10).line().left(40);
    const QByteArray first = (mobileLines(10) + cutShort).toLatin1();
    QCOMPARE(pbx.write(first), first.size());
    QTRY_COMPARE_WITH_TIMEOUT(stored(), numbersOf({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(ReceivedJournal(journalPath).end() >= first.size() + m_breaks, 30000);
    killWorkstation();
    startWorkstation(db);
    QVERIFY(!QTest::currentTestFailed());

    // The exchange goes on with the tail of another call (with the 40
    // characters it would make a well-framed line of two calls), then a
    // whole call: the tail is noise, the call is priced.
    const QString tail = mobileCall(11).line().mid(40);
    QVERIFY(pbx.write((tail + mobileCall(12).line()).toLatin1()) > 0);
    QTRY_COMPARE_WITH_TIMEOUT(stored(), numbersOf({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 12}), 30000);
    QStringList kept;
    for (const LineJournal::Entry& entry :
         LineJournal(m_dir.filePath(QStringLiteral("data/unframed-cdr.journal"))).entries())
        kept << entry.text;
    QCOMPARE(kept, (QStringList{cutShort + QChar(StreamBreak), tail}));

    // A call read, stored, then the kill; the line brings it again after the restart.
    const QString again = mobileCall(13).line();
    QVERIFY(pbx.write(again.toLatin1()) > 0);
    QTRY_COMPARE_WITH_TIMEOUT(stored(), numbersOf({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 13}), 30000);
    killWorkstation();
    startWorkstation(db);
    QVERIFY(!QTest::currentTestFailed());
    QVERIFY(pbx.write((again + mobileCall(14).line()).toLatin1()) > 0);
    QTRY_COMPARE_WITH_TIMEOUT(stored(), numbersOf({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 13, 14}), 30000);
    const QList<LineJournal::Entry> repeats =
        LineJournal(m_dir.filePath(QStringLiteral("data/repeated-lines.txt"))).entries();
    QCOMPARE(repeats.size(), 1);
    QVERIFY2(repeats.first().text.endsWith(again), qPrintable(repeats.first().text));
    killWorkstation();
}

QTEST_GUILESS_MAIN(TestIntakeKill)
#include "tst_intake_kill.moc"
