#include "CdrLines.h"
#include "CollectorProcess.h"
#include "CommitProxy.h"
#include "StoredCalls.h"
#include "TestDatabase.h"

#include "db/DbError.h"
#include "intake/LineJournal.h"
#include "intake/ReceivedJournal.h"
#include "receiving/ReportProcessor.h"
#include "station/CollectorRequests.h"

#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <algorithm>
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace qalor;
using namespace qalor::test;

// The collector without any window: the calls of a real pseudo-terminal are
// stored once each, across kills at random moments and restarts as the
// service unit does them; SIGTERM ends it cleanly; a second collector for
// the same port does not start, not even with journals of its own and
// started at the same moment; a device plugged in after the start is read;
// under systemd the watchdog's keep-alives follow the event loop.
// A REPORT batch killed after any of its slices committed stores each line
// once when computed again.
class TestCollectorKill : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void everyCallOnceAcrossKills();
    void terminateAndRefusals();
    void twoCollectorsStartedTogether();
    void deviceThatComesLater();
    void watchdogFollowsTheLoop();
    void lostCommitAnswerStoresOnce();
    void reportBatchKilledBetweenSlices();

private:
    CdrLine m_line;
};

void TestCollectorKill::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty())
        QSKIP("socat is not installed");
    QVERIFY(m_line.make());
}

void TestCollectorKill::everyCallOnceAcrossKills()
{
    QVERIFY(QDir(m_line.dataDir()).removeRecursively());
    TestDatabase db(true);
    QFile pbx(m_line.pbx);
    QVERIFY(pbx.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QString journalPath = m_line.dataDir() + QStringLiteral("/received.journal");
    const auto journalEnd = [&] { return ReceivedJournal(journalPath).end(); };

    // 500 calls in 5 bursts of random chunks; after each burst has been read,
    // the collector is killed at a random moment (often while it stores the
    // burst) and started again, once also while it replays.
    QRandomGenerator random(5002026);
    constexpr int Calls = 500;
    constexpr int Bursts = 5;
    Collector collector;
    collector.start(m_line, db.connectionString());
    QVERIFY(collector.reading(m_line));
    QStringList dialled;
    qint64 sent = 0;
    qint64 breaks = 0; // a start after the first marks a break in the journal
    for (int burst = 0; burst < Bursts; ++burst) {
        QString text;
        for (int i = burst * Calls / Bursts; i < (burst + 1) * Calls / Bursts; ++i) {
            const CdrCall call =
                mobileCall(i, QStringLiteral("8%1").arg(i % 16 + 1, 3, 10, QLatin1Char('0')));
            text += call.line();
            dialled << call.dialled;
        }
        const QByteArray bytes = text.toLatin1();
        qsizetype at = 0;
        for (int size : randomChunks(bytes.size(), 600, random.generate())) {
            QCOMPARE(pbx.write(bytes.mid(at, size)), qMin<qsizetype>(size, bytes.size() - at));
            at += size;
        }
        sent += bytes.size();
        QTRY_VERIFY_WITH_TIMEOUT(journalEnd() >= sent + breaks, 30000);
        QTest::qWait(random.bounded(0, 40));
        collector.kill();
        ++breaks;
        collector.start(m_line, db.connectionString());
        QVERIFY(collector.reading(m_line));
        if (burst == 2) {
            // Killed again while it handles what the killed run read.
            collector.kill();
            ++breaks;
            collector.start(m_line, db.connectionString());
            QVERIFY(collector.reading(m_line));
        }
    }
    const auto stored = [&] { return db.scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")).toInt(); };
    QTRY_COMPARE_WITH_TIMEOUT(stored(), Calls, 90000);
    collector.kill();
    QCOMPARE(storedTwice(db), QStringList());
    dialled.sort();
    QCOMPARE(storedNumbers(db), dialled);
}

void TestCollectorKill::terminateAndRefusals()
{
    QVERIFY(QDir(m_line.dataDir()).removeRecursively());
    TestDatabase db(true);
    QFile pbx(m_line.pbx);
    QVERIFY(pbx.open(QIODevice::WriteOnly | QIODevice::Unbuffered));

    Collector first;
    first.start(m_line, db.connectionString(), {QStringLiteral("COM1")});
    QVERIFY(first.reading(m_line));
    const auto beats = [&] {
        try {
            return db.scalar(QStringLiteral("SELECT COUNT(*) FROM 采集服务表")).toInt();
        } catch (const DbError&) {
            return -1; // the collector makes the table with its first beat
        }
    };
    QTRY_COMPARE_WITH_TIMEOUT(beats(), 1, 10000);
    QCOMPARE(db.scalar(QStringLiteral("SELECT 进程号 FROM 采集服务表")).toLongLong(),
             first.process.processId());

    // A second collector for the same port: with journals of its own it
    // meets the device's lock, with the same journals their lock.
    QTemporaryDir otherData;
    const QList<std::pair<QString, QString>> seconds = {
        {otherData.path(),
         QStringLiteral("串口COM1 (%1)正由另一个程序(计费软件或采集服务)读取,采集服务不能启动.")
             .arg(m_line.port)},
        {m_line.dataDir(),
         QStringLiteral("数据目录%1正由另一个程序(计费软件或采集服务)使用,采集服务不能启动.")
             .arg(m_line.dataDir())}};
    for (const auto& [data, text] : seconds) {
        Collector second;
        second.start(m_line, db.connectionString(), {QStringLiteral("1")}, data);
        QVERIFY(second.process.waitForFinished(30000));
        QCOMPARE(second.process.exitCode(), 1);
        QCOMPARE(QString::fromUtf8(second.process.readAllStandardError()), text + QLatin1Char('\n'));
    }
    QVERIFY(first.process.state() == QProcess::Running);

    // Calls arrive; SIGTERM ends the collector with status 0 and its beat row gone.
    QVERIFY(pbx.write(mobileLines(10).toLatin1()) > 0);
    QTRY_COMPARE_WITH_TIMEOUT(db.scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")).toInt(), 10, 30000);
    ::kill(pid_t(first.process.processId()), SIGTERM);
    QVERIFY(first.process.waitForFinished(30000));
    QCOMPARE(first.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(first.process.exitCode(), 0);
    QCOMPARE(beats(), 0);
    const QString said = first.said();
    QVERIFY2(said.contains(QStringLiteral("采集服务已启动: 串口1")), qPrintable(said));

    // A port argument that names no port, or more than one port.
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("COMX")}, QStringList{QStringLiteral("COM1"), QStringLiteral("COM2")}}) {
        Collector wrong;
        wrong.start(m_line, db.connectionString(), arguments);
        QVERIFY(wrong.process.waitForFinished(30000));
        QCOMPARE(wrong.process.exitCode(), 2);
    }

    // A service user without HOME and without a data folder of its own: it
    // says what is wrong instead of blaming another program.
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (::geteuid() == 0 && !setpriv.isEmpty()) {
        Collector homeless;
        QProcessEnvironment noHome;
        for (const char* name : {"HOME", "XDG_DATA_HOME", "QALOR_DATA_DIR"})
            noHome.insert(QString::fromLatin1(name), QString());
        homeless.start(m_line, db.connectionString(), {}, QString(), noHome,
                       {setpriv, QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                        QStringLiteral("--clear-groups")});
        QVERIFY(homeless.process.waitForFinished(30000));
        QCOMPARE(homeless.process.exitCode(), 1);
        QVERIFY2(homeless.said().contains(QStringLiteral("环境变量HOME未设置")), qPrintable(homeless.said()));
        QVERIFY2(!homeless.said().contains(QStringLiteral("另一个程序")), qPrintable(homeless.said()));
    }
}

// Two collectors for one port, each with its own data folder, started at the
// same moment: exactly one reads the port, the other ends with status 1 and
// says why. Several times, as the race goes either way.
void TestCollectorKill::twoCollectorsStartedTogether()
{
    TestDatabase db(true);
    const QString refusal =
        QStringLiteral("串口COM1 (%1)正由另一个程序(计费软件或采集服务)读取,采集服务不能启动.\n")
            .arg(m_line.port);
    for (int round = 0; round < 4; ++round) {
        QTemporaryDir first;
        QTemporaryDir second;
        Collector collectors[2];
        collectors[0].start(m_line, db.connectionString(), {}, first.path());
        collectors[1].start(m_line, db.connectionString(), {}, second.path());
        QTRY_VERIFY_WITH_TIMEOUT(collectors[0].process.state() == QProcess::NotRunning ||
                                     collectors[1].process.state() == QProcess::NotRunning,
                                 30000);
        Collector& ended =
            collectors[0].process.state() == QProcess::NotRunning ? collectors[0] : collectors[1];
        Collector& running = &ended == &collectors[0] ? collectors[1] : collectors[0];
        QCOMPARE(ended.process.exitCode(), 1);
        QCOMPARE(ended.said(), refusal);
        QVERIFY(running.reading(m_line));
        QVERIFY(running.process.state() == QProcess::Running);
    }
}

// The serial device is not there when the collector starts (an adapter that
// appears late at boot): it says why once, keeps trying, opens the device
// when it comes and stores its calls.
void TestCollectorKill::deviceThatComesLater()
{
    CdrLine line;
    QVERIFY(line.map());
    TestDatabase db(true);
    Collector collector;
    collector.start(line, db.connectionString());
    QTRY_VERIFY_WITH_TIMEOUT(collector.said().contains(QStringLiteral("采集服务已启动")), 30000);
    QVERIFY(collector.process.state() == QProcess::Running);
    const QString missing = QStringLiteral("无法打开串口COM1 (%1): %2\n")
                                .arg(line.port, QString::fromLocal8Bit(std::strerror(ENOENT)));
    QVERIFY2(collector.said().startsWith(missing), qPrintable(collector.said()));

    QVERIFY(line.plug());
    QVERIFY(collector.reading(line));
    QTRY_VERIFY_WITH_TIMEOUT(
        collector.said().endsWith(QStringLiteral("串口COM1 (%1)已打开.\n").arg(line.port)), 30000);
    QFile pbx(line.pbx);
    QVERIFY(pbx.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    QVERIFY(pbx.write(mobileLines(3).toLatin1()) > 0);
    QTRY_COMPARE_WITH_TIMEOUT(db.scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")).toInt(), 3, 30000);
    QCOMPARE(collector.said().count(QString::fromLocal8Bit(std::strerror(ENOENT))), 1);
}

// Under systemd (NOTIFY_SOCKET, WATCHDOG_USEC): ready once the port is open
// and the data source answers, then keep-alives at half the interval from
// the event loop. A loop held up (the data source locked by another
// connection, each beat waiting for it) sends none meanwhile; they come
// again once it turns.
void TestCollectorKill::watchdogFollowsTheLoop()
{
    TestDatabase db(true);
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("notify")));
    const int socket = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    QVERIFY(socket >= 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    QVERIFY(size_t(path.size()) < sizeof address.sun_path);
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    QCOMPARE(::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    struct Told
    {
        QByteArray text;
        qint64 at;
    };
    QList<Told> told;
    QElapsedTimer clock;
    clock.start();
    const auto listen = [&] {
        char buffer[4096];
        for (ssize_t n; (n = ::recv(socket, buffer, sizeof buffer, 0)) > 0;)
            told << Told{QByteArray(buffer, n), clock.elapsed()};
    };
    const auto keepAlives = [&](qint64 from) {
        QList<qint64> at;
        for (const Told& t : std::as_const(told))
            if (t.text == "WATCHDOG=1" && t.at >= from)
                at << t.at;
        return at;
    };

    QProcessEnvironment systemd;
    systemd.insert(QStringLiteral("NOTIFY_SOCKET"), QString::fromLocal8Bit(path));
    systemd.insert(QStringLiteral("WATCHDOG_USEC"), QStringLiteral("600000"));
    Collector collector;
    collector.start(m_line, db.connectionString(), {}, QString(), systemd);
    QVERIFY(collector.reading(m_line));
    QTRY_VERIFY_WITH_TIMEOUT(
        (listen(), std::any_of(told.cbegin(), told.cend(),
                               [](const Told& t) { return t.text.startsWith("READY=1\nSTATUS=串口COM1"); })),
        30000);
    QTRY_VERIFY_WITH_TIMEOUT((listen(), keepAlives(0).size() >= 3), 30000);

    // Another connection keeps 采集服务表 locked: each beat waits for it.
    {
        QSqlDatabase blocker = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), QStringLiteral("blocker"));
        blocker.setDatabaseName(db.connectionString());
        QVERIFY(blocker.open());
        QVERIFY(blocker.transaction());
        QSqlQuery lock(blocker);
        QVERIFY(lock.exec(QStringLiteral("UPDATE 采集服务表 SET 心跳=心跳")));
        const qint64 locked = clock.elapsed();
        // Keep-alives come every 300 ms while the loop turns; a silence of
        // three seconds is the loop held up.
        const auto silence = [&] {
            listen();
            const QList<qint64> since = keepAlives(locked);
            return clock.elapsed() - (since.isEmpty() ? locked : since.constLast());
        };
        QTRY_VERIFY_WITH_TIMEOUT(silence() >= 3000, 30000);
        QVERIFY(blocker.rollback());
        lock.finish();
        blocker.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("blocker"));
    const qint64 released = clock.elapsed();
    QTRY_VERIFY_WITH_TIMEOUT((listen(), keepAlives(released).size() >= 3), 30000);
    ::close(socket);
}

// The server commits a call, its answer is lost on the way and the server
// stays out of reach for a few seconds: once it answers again, its mark
// says the call is stored, and it is not stored again.
void TestCollectorKill::lostCommitAnswerStoresOnce()
{
    if (!TestDatabase::isPostgres())
        QSKIP("the embedded data source has no network to lose an answer on");
    QVERIFY(QDir(m_line.dataDir()).removeRecursively());
    TestDatabase db(true);
    CommitProxy proxy;
    QVERIFY(proxy.start(QStringLiteral(QALOR_COMMITPROXY), db.connectionString()));
    QFile pbx(m_line.pbx);
    QVERIFY(pbx.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    Collector collector;
    collector.start(m_line, proxy.proxied());
    QVERIFY(collector.reading(m_line));
    const QString journalPath = m_line.dataDir() + QStringLiteral("/received.journal");
    const auto handled = [&] {
        const ReceivedJournal journal(journalPath);
        return journal.end() > 0 && journal.handledThrough() == journal.end();
    };
    const auto stored = [&] { return db.scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")).toInt(); };

    QStringList dialled;
    for (int round = 0; round < 3; ++round) {
        const CdrCall live = mobileCall(2 * round);
        QVERIFY(pbx.write(live.line().toLatin1()) > 0);
        dialled << live.dialled;
        QTRY_COMPARE_WITH_TIMEOUT(stored(), 2 * round + 1, 30000);
        proxy.dropCommit(3, QStringLiteral("话费表"));
        const CdrCall lost = mobileCall(2 * round + 1);
        QVERIFY(pbx.write(lost.line().toLatin1()) > 0);
        dialled << lost.dialled;
        QVERIFY(!proxy.waitFor("dropped").isEmpty());
        QVERIFY(!proxy.waitFor("up").isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(handled(), 30000);
        QCOMPARE(stored(), 2 * round + 2);
    }
    // Nothing was kept for a replay that would store it again.
    QCOMPARE(LineJournal(m_line.dataDir() + QStringLiteral("/pending-calls.journal")).entries().size(), 0);
    const CdrCall last = mobileCall(6);
    QVERIFY(pbx.write(last.line().toLatin1()) > 0);
    dialled << last.dialled;
    QTRY_COMPARE_WITH_TIMEOUT(stored(), 7, 30000);
    collector.kill();
    QCOMPARE(storedTwice(db), QStringList());
    dialled.sort();
    QCOMPARE(storedNumbers(db), dialled);
}

void TestCollectorKill::reportBatchKilledBetweenSlices()
{
    QVERIFY(QDir(m_line.dataDir()).removeRecursively());
    QVERIFY(QDir().mkpath(m_line.dataDir()));
    TestDatabase db(true);
    // A weekend's collection in small: three slices of the collector's batch size.
    constexpr int Lines = 3 * ReportProcessor::DefaultBatchSize;
    QStringList lines;
    for (int i = 0; i < Lines; ++i)
        lines << mobileCall(i).line();
    const QString journalPath = m_line.dataDir() + QStringLiteral("/report-lines.journal");
    LineJournal(journalPath).append(lines);
    const auto stored = [&] { return db.scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")).toInt(); };
    // Asks the collector to compute once its beat is there; the request's id.
    const auto compute = [&](Collector& collector) {
        const QString beat =
            QStringLiteral("SELECT 服务 FROM 采集服务表 WHERE 进程号=%1").arg(collector.process.processId());
        QString service;
        for (QDeadlineTimer deadline(30000); service.isEmpty() && !deadline.hasExpired(); QTest::qWait(20)) {
            try {
                service = db.scalar(beat);
            } catch (const DbError&) {
                // The collector makes the table with its first beat.
            }
        }
        return service.isEmpty()
                   ? QString()
                   : CollectorRequests::post(service, QLatin1String(CollectorRequests::ComputeReport));
    };

    // Killed as soon as a slice of this run has committed (often before its
    // mark reached the journal), twice; the third run finishes the batch.
    int before = 0;
    for (int run = 0; run < 2; ++run) {
        Collector collector;
        collector.start(m_line, db.connectionString());
        QVERIFY(collector.reading(m_line));
        QVERIFY(!compute(collector).isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(stored() > before, 300000);
        collector.kill();
        before = stored();
        QVERIFY2(before < Lines, "the batch ended before the kill");
        QCOMPARE(before % ReportProcessor::DefaultBatchSize, 0); // whole slices only
    }
    Collector collector;
    collector.start(m_line, db.connectionString());
    QVERIFY(collector.reading(m_line));
    const QString request = compute(collector);
    QVERIFY(!request.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(CollectorRequests::read(request).state, CollectorRequests::Done, 300000);
    QCOMPARE(stored(), Lines);
    QCOMPARE(storedTwice(db), QStringList());
    QCOMPARE(LineJournal(journalPath).pending().count, 0);
}

QTEST_GUILESS_MAIN(TestCollectorKill)
#include "tst_collector_kill.moc"
