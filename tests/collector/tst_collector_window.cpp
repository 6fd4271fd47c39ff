#include "CdrLines.h"
#include "CollectorProcess.h"
#include "RecordingPrompt.h"
#include "Sandbox.h"
#include "StoredCalls.h"
#include "TestDatabase.h"

#include "app/AppState.h"
#include "app/CMainFrame.h"
#include "app/CQalorApp.h"
#include "app/CQalorView.h"
#include "app/CommandGate.h"
#include "collectordata/CallFeed.h"
#include "collector/CollectorLink.h"
#include "db/CDatabase.h"
#include "gui/DialogRunner.h"
#include "hotel/CCheckInDlg.h"
#include "intake/ReceivedCallsModel.h"
#include "intake/ReceivedJournal.h"
#include "maintenance/CallTableCommands.h"
#include "serial/CommControl.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

using namespace qalor;
using namespace qalor::test;

// A workstation started beside a running collector: it never opens the port,
// shows the collector's calls as they come, and what it asks of the port
// (a check-in's class change, a reload after an edited rate, the hold of
// duplicate removal) is done by the collector.
class TestCollectorWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void windowBesideCollector();
    void duplicateRemovalWhileTheCollectorStores();
    void windowFollowsARestartedCollector();
    void windowSaysTheCollectorIsGone();
    void oneReaderBesideAnother();
    void depositDowngradeIsShown();

private:
    // Starts the collector and the window (nullptr after a failure).
    CMainFrame* start(TestDatabase& db, const QString& collectorData = QString());
    QByteArray readLine(int timeoutMs, const QByteArray& until);
    void send(const QString& text);
    bool windowHasPortOpen() const { return hasOpen(QCoreApplication::applicationPid(), m_line.port); }

    CdrLine m_line;
    Collector m_collector;
    std::unique_ptr<CQalorApp> m_app;
    std::unique_ptr<RecordingPrompt> m_prompt;
    int m_pbx = -1;
};

void TestCollectorWindow::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty())
        QSKIP("socat is not installed");
    QVERIFY(m_line.make());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_line.configDir()));
    qputenv("QALOR_DATA_DIR", QFile::encodeName(m_line.dataDir()));
    nameLikeTheWorkstation();
    m_pbx = ::open(QFile::encodeName(m_line.pbx).constData(), O_RDWR | O_NONBLOCK | O_NOCTTY);
    QVERIFY(m_pbx >= 0);
}

void TestCollectorWindow::cleanup()
{
    DialogRunner::install({});
    m_app.reset();
    m_prompt.reset();
    m_collector.kill();
    CDatabase::resetShared();
    AppState::instance() = AppState();
    QDir(m_line.dataDir()).removeRecursively();
}

CMainFrame* TestCollectorWindow::start(TestDatabase& db, const QString& collectorData)
{
    m_collector.start(m_line, db.connectionString(), {}, collectorData);
    if (!m_collector.reading(m_line))
        return nullptr;
    // The window looks for the collector's beat when it starts.
    const auto beats = [&] {
        try {
            return db.scalar(QStringLiteral("SELECT COUNT(*) FROM 采集服务表")).toInt();
        } catch (const DbError&) {
            return 0; // the collector makes the table with its first beat
        }
    };
    QDeadlineTimer deadline(10000);
    while (beats() != 1) {
        if (deadline.hasExpired())
            return nullptr;
        QTest::qWait(20);
    }
    m_prompt = std::make_unique<RecordingPrompt>();
    m_app = std::make_unique<CQalorApp>();
    m_app->initInstance();
    AppState::instance().loggedIn = 1;
    return m_app->mainFrame();
}

void TestCollectorWindow::send(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    QCOMPARE(::write(m_pbx, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
}

QByteArray TestCollectorWindow::readLine(int timeoutMs, const QByteArray& until)
{
    QByteArray got;
    QElapsedTimer waited;
    waited.start();
    while (!got.contains(until) && waited.elapsed() < timeoutMs) {
        char buffer[512];
        const ssize_t n = ::read(m_pbx, buffer, sizeof buffer);
        if (n > 0)
            got.append(buffer, n);
        else
            QTest::qWait(5);
    }
    return got;
}

void TestCollectorWindow::windowBesideCollector()
{
    TestDatabase db(true);
    CMainFrame* started = start(db);
    QVERIFY(started);
    CMainFrame& frame = *started;
    QVERIFY(frame.view().collector() != nullptr);
    QVERIFY(!windowHasPortOpen());

    // Calls the collector stores appear in the window's list within 2 s of their storing.
    const ReceivedCallsModel& calls = frame.view().receivedCalls();
    send(mobileLines(3));
    QTRY_COMPARE_WITH_TIMEOUT(db.scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")).toInt(), 3, 30000);
    QElapsedTimer shown;
    shown.start();
    QTRY_COMPARE_WITH_TIMEOUT(calls.rowCount(), 3, 10000);
    QVERIFY2(shown.elapsed() < 2000, qPrintable(QString::number(shown.elapsed())));
    QCOMPARE(calls.cell(0, ReceivedCallsModel::Called).trimmed(), mobileCall(2).dialled);
    QCOMPARE(calls.cell(0, ReceivedCallsModel::Charge).trimmed(), QStringLiteral("0.80"));

    // The status bar shows the collector's port.
    frame.showStatus();
    auto* portPane = frame.findChild<QLabel*>(QStringLiteral("串口状态"));
    QVERIFY(portPane);
    QCOMPARE(portPane->text(), QStringLiteral("串口1 已打开"));

    // A check-in in the window: the class change goes out on the collector's line.
    DialogRunner::install([](QDialog& dialog) {
        auto& d = dynamic_cast<CCheckInDlg&>(dialog);
        d.extensionEdit()->setText(QStringLiteral("8003"));
        d.levelBox()->setCurrentIndex(2); // 2 国内长途
        d.registerAndClose();
        return d.result();
    });
    frame.runCommand(Cmd::CheckIn);
    DialogRunner::install({});
    // While it is sent, the window says which extension the collector changes.
    auto* progress = frame.findChild<QProgressDialog*>(QStringLiteral("CollectorChangeProgress"));
    QVERIFY(progress);
    QTRY_VERIFY2_WITH_TIMEOUT(progress->labelText().contains(QStringLiteral("正在更改分机 8003 的级别")),
                              qPrintable(progress->labelText()), 10000);
    const QByteArray sentToExchange = readLine(30000, "exit\r");
    QVERIFY2(sentToExchange.startsWith("\x03"
                                       "admin\r"),
             sentToExchange.constData());
    QVERIFY2(sentToExchange.contains("m 8003\r\r\r2\r"), sentToExchange.constData());
    // The window saw the change through, and the collector's engine knows the stay.
    QTRY_VERIFY_WITH_TIMEOUT(!progress->isVisible(), 30000);

    // An edited rate confirmed in the window prices the collector's next call.
    db.execute(QStringLiteral("UPDATE 费率表 SET 费率=1 WHERE 区号='13'"));
    frame.view().afterEditorConfirmed(AfterConfirm::ReloadRates);
    send(mobileCall(3).line());
    QTRY_COMPARE_WITH_TIMEOUT(
        db.scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表 WHERE 被叫号='%1'").arg(mobileCall(3).dialled))
            .toInt(),
        1, 30000);
    QCOMPARE(
        db.scalar(QStringLiteral("SELECT 通话费 FROM 话费表 WHERE 被叫号='%1'").arg(mobileCall(3).dialled))
            .toDouble(),
        2.0);
    QTRY_COMPARE_WITH_TIMEOUT(calls.cell(0, ReceivedCallsModel::Charge).trimmed(), QStringLiteral("2.00"),
                              10000);
    // 8003 is a guest's room now: the collector added the call to the stay.
    send(CdrCall{.extension = QStringLiteral("8003"), .dialled = QStringLiteral("13912345678")}.line());
    QTRY_COMPARE_WITH_TIMEOUT(
        db.scalar(QStringLiteral("SELECT 结帐金额 FROM 宾馆管理表 WHERE 分机号='8003'")).toDouble(), 2.0,
        30000);

    // 关闭串口 and 打开串口 in the window reach the collector's port.
    frame.runCommand(Cmd::ClosePort);
    QTRY_VERIFY_WITH_TIMEOUT(!hasOpen(m_collector.process.processId(), m_line.port), 10000);
    frame.runCommand(Cmd::OpenPort);
    QTRY_VERIFY_WITH_TIMEOUT(hasOpen(m_collector.process.processId(), m_line.port), 10000);
    QVERIFY(!windowHasPortOpen());
    QCOMPARE(m_prompt->texts, QStringList());

    // A call of another collector on the same data source (another machine) is shown too.
    CdrCall elsewhere = mobileCall(900);
    PricedCall priced;
    priced.caller = QStringLiteral("9001");
    priced.called = elsewhere.dialled;
    priced.start = {QDate::currentDate(), QTime::currentTime().msecsSinceStartOfDay() / 1000};
    CallFeed::append(QStringLiteral("other-desk/1"), priced);
    QTRY_COMPARE_WITH_TIMEOUT(calls.cell(0, ReceivedCallsModel::Called).trimmed(), elsewhere.dialled, 10000);

    // REPORT collection and computing in the window are the collector's.
    frame.runCommand(Cmd::ReceiveReport);
    send(mobileLines(2, 10));
    QTRY_COMPARE_WITH_TIMEOUT(frame.view().reportStatusText(), QStringLiteral("REPORT: 正在接收, 2 行待计算"),
                              10000);
    const int before = db.scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")).toInt();
    frame.runCommand(Cmd::ComputeReport);
    QCOMPARE(m_prompt->texts,
             QStringList{QStringLiteral("计算了2条CDR记录,存入话费表2条,0条未存入(不计费或已存过).")});
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")).toInt(), before + 2);
    QTRY_COMPARE_WITH_TIMEOUT(frame.view().reportStatusText(), QString(), 10000);
    QVERIFY(!windowHasPortOpen());
}

void TestCollectorWindow::duplicateRemovalWhileTheCollectorStores()
{
    TestDatabase db(true);
    CMainFrame* started = start(db);
    QVERIFY(started);
    CMainFrame& frame = *started;
    QVERIFY(frame.view().collector() != nullptr);

    // 300 calls go out in pieces while duplicate removal runs again and
    // again in the window; the collector holds its intake for each run.
    constexpr int Calls = 300;
    const QByteArray all = mobileLines(Calls).toLatin1();
    qsizetype at = 0;
    QTimer feed;
    feed.setInterval(20);
    connect(&feed, &QTimer::timeout, this, [&] {
        const qsizetype size = qMin<qsizetype>(250, all.size() - at);
        if (size <= 0) {
            feed.stop();
            return;
        }
        if (::write(m_pbx, all.constData() + at, size_t(size)) == size)
            at += size;
    });
    feed.start();
    int runs = 0;
    while (feed.isActive() || runs < 3) {
        CallTableCommands commands;
        QVERIFY(commands.removeDuplicates(QDate(2026, 3, 15), QDate(2026, 3, 15)));
        ++runs;
        QCoreApplication::processEvents();
    }
    const auto stored = [&] { return db.scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")).toInt(); };
    QTRY_COMPARE_WITH_TIMEOUT(stored(), Calls, 60000);
    QCOMPARE(storedTwice(db), QStringList());
    QVERIFY(!windowHasPortOpen());
    qInfo("%d duplicate removals while the collector stored %d calls", runs, Calls);
}

// The collector killed and started again as its unit does, a window
// running beside it: the window goes on with the new process (its calls,
// its port) and never opens the port in between.
void TestCollectorWindow::windowFollowsARestartedCollector()
{
    TestDatabase db(true);
    CMainFrame* started = start(db);
    QVERIFY(started);
    CMainFrame& frame = *started;
    const ReceivedCallsModel& calls = frame.view().receivedCalls();
    send(mobileLines(2));
    QTRY_COMPARE_WITH_TIMEOUT(calls.rowCount(), 2, 10000);

    m_collector.kill();
    QTRY_VERIFY_WITH_TIMEOUT(frame.view().portLink() == CommControl::Link::Closed, 10000);
    QVERIFY(!windowHasPortOpen());
    m_collector.start(m_line, db.connectionString());
    QVERIFY(m_collector.reading(m_line));
    QTRY_VERIFY_WITH_TIMEOUT(frame.view().portLink() == CommControl::Link::Open, 10000);
    send(mobileLines(2, 2));
    QTRY_COMPARE_WITH_TIMEOUT(calls.rowCount(), 4, 10000);
    QCOMPARE(calls.cell(0, ReceivedCallsModel::Called).trimmed(), mobileCall(3).dialled);
    frame.runCommand(Cmd::ClosePort);
    QTRY_VERIFY_WITH_TIMEOUT(!hasOpen(m_collector.process.processId(), m_line.port), 10000);
    QVERIFY(!windowHasPortOpen());
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")).toInt(), 4);
    QCOMPARE(m_prompt->texts, QStringList());
}

// The collector killed while the window runs: within seconds the status bar
// says the collector does not answer (not that the port is closed), and a
// port command says so at once instead of waiting for an answer.
void TestCollectorWindow::windowSaysTheCollectorIsGone()
{
    TestDatabase db(true);
    CMainFrame* started = start(db);
    QVERIFY(started);
    CMainFrame& frame = *started;
    auto* portPane = frame.findChild<QLabel*>(QStringLiteral("串口状态"));
    QVERIFY(portPane);
    QTRY_COMPARE_WITH_TIMEOUT(portPane->text(), QStringLiteral("串口1 已打开"), 10000);

    m_collector.kill();
    QTRY_COMPARE_WITH_TIMEOUT(portPane->text(), QStringLiteral("串口1 采集服务没有应答"), 5000);
    const auto requests = [&] {
        return db.scalar(QStringLiteral("SELECT COUNT(*) FROM 采集请求表")).toInt();
    };
    const int asked = requests();
    frame.runCommand(Cmd::ClosePort);
    QCOMPARE(m_prompt->texts, QStringList{CollectorLink::noAnswerText()});
    QCOMPARE(requests(), asked);
    QVERIFY(!windowHasPortOpen());
}

// Exactly one program reads the port, decided by the locks: a window beside
// a collector with a data folder of its own follows the collector, and a
// second window beside a window reads nothing and says why, leaving the first
// one's journal alone.
void TestCollectorWindow::oneReaderBesideAnother()
{
    TestDatabase db(true);
    QTemporaryDir collectorData;
    CMainFrame* started = start(db, collectorData.path());
    QVERIFY(started);
    CMainFrame& frame = *started;
    QVERIFY(frame.view().collector() != nullptr);
    QVERIFY(!windowHasPortOpen());
    QCOMPARE(m_prompt->texts, QStringList());
    send(mobileLines(1));
    QTRY_COMPARE_WITH_TIMEOUT(frame.view().receivedCalls().rowCount(), 1, 30000);

    m_collector.kill();
    m_app.reset();
    CQalorView first;
    first.initialUpdate();
    QVERIFY(first.collector() == nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(windowHasPortOpen(), 10000);
    const QString journal = m_line.dataDir() + QStringLiteral("/received.journal");
    const qint64 journalled = ReceivedJournal(journal).end();
    m_prompt->texts.clear();
    CQalorView second;
    second.initialUpdate();
    QVERIFY(second.collector() != nullptr);
    QVERIFY(!second.cdrPort().portOpen());
    QCOMPARE(m_prompt->texts,
             QStringList{
                 QStringLiteral("串口COM1 (%1)正由另一个程序(计费软件或采集服务)读取,本计费软件不读取该串口.")
                     .arg(m_line.port)});
    QCOMPARE(ReceivedJournal(journal).end(), journalled);
    send(mobileLines(1, 1));
    QTRY_COMPARE_WITH_TIMEOUT(first.receivedCalls().rowCount(), 1, 30000);
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")).toInt(), 2);
}

// A guest's charges reach the deposit while the collector prices them: the
// collector's line lowers the room, and the window says so as it says its
// own change at the deposit, until the change is over.
void TestCollectorWindow::depositDowngradeIsShown()
{
    TestDatabase db(true);
    db.execute(QStringLiteral("DELETE FROM 宾馆分机升降级设置表"));
    db.execute(
        QStringLiteral("INSERT INTO 宾馆分机升降级设置表 (升降级方式, 是否自动升降级, 用户名, 口令, 数据库, "
                       "最低分机级别) VALUES (0, 1, 'pbx', 'pw', 'A', 5)"));
    db.execute(
        QStringLiteral("INSERT INTO 宾馆管理表 (分机号, 房间号, 入住日期, 入住时间, 结帐金额, 是否已经结帐, "
                       "服务费比例, 押金) VALUES ('8003', '301', '260314', '120000', 0, 0, 0, 0.8)"));
    CMainFrame* started = start(db);
    QVERIFY(started);
    CMainFrame& frame = *started;
    send(mobileCall(0, QStringLiteral("8003")).line());
    QProgressDialog* progress = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT(
        (progress = frame.findChild<QProgressDialog*>(QStringLiteral("CollectorChangeProgress"))) &&
            progress->isVisible(),
        30000);
    QVERIFY2(progress->labelText().startsWith(
                 QStringLiteral("房间 301（分机 8003）的押金已用完，正在降为最低级别……\n")),
             qPrintable(progress->labelText()));
    const QByteArray sentToExchange = readLine(60000, "m 8003\r\r\r5\r");
    QVERIFY2(sentToExchange.contains("m 8003\r\r\r5\r"), sentToExchange.constData());
    QTRY_VERIFY_WITH_TIMEOUT(!progress->isVisible(), 60000);
    QCOMPARE(m_prompt->texts, QStringList());
}

QTEST_MAIN(TestCollectorWindow)
#include "tst_collector_window.moc"
