#include "CdrLines.h"
#include "CollectorProcess.h"
#include "StoredCalls.h"
#include "TestDatabase.h"

#include "collector/CollectorRequests.h"
#include "db/DbError.h"
#include "intake/LineJournal.h"
#include "intake/ReportProcessor.h"
#include "intake/ReceivedJournal.h"

#include <QRandomGenerator>
#include <csignal>

using namespace qalor;
using namespace qalor::test;

// The collector without any window: the calls of a real pseudo-terminal are
// stored once each, across kills at random moments and restarts as the
// service unit does them; SIGTERM ends it cleanly; a second collector for
// the same port does not start. A REPORT batch killed after any of its
// slices committed stores each line once when computed again.
class TestCollectorKill : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void everyCallOnceAcrossKills();
    void terminateAndRefusals();
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
    // meets the first one's beat, with the same journals their lock.
    QTemporaryDir otherData;
    const QList<std::pair<QString, QString>> seconds = {
        {otherData.path(), QStringLiteral("串口1已由采集服务%1读取,本采集服务不能启动.")
                               .arg(db.scalar(QStringLiteral("SELECT 服务 FROM 采集服务表")))},
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
    const QString said = QString::fromUtf8(first.process.readAllStandardError());
    QVERIFY2(said.contains(QStringLiteral("采集服务已启动: 串口1")), qPrintable(said));

    // A port argument that names no port.
    Collector wrong;
    wrong.start(m_line, db.connectionString(), {QStringLiteral("COMX")});
    QVERIFY(wrong.process.waitForFinished(30000));
    QCOMPARE(wrong.process.exitCode(), 2);
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
