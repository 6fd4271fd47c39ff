#include "CdrLines.h"
#include "FakeCommControl.h"
#include "IntakeRig.h"
#include "RecordingPrompt.h"
#include "RefusedCaller.h"
#include "StoredCalls.h"
#include "TestDatabase.h"

#include "intake/LineJournal.h"
#include "intake/ReceivedJournal.h"
#include "rating/CCallRater.h"
#include "rating/RefusedCalls.h"
#include "receiving/CallIntake.h"
#include "receiving/RepeatDetector.h"
#include "receiving/ReceivedCallsModel.h"
#include "receiving/ReportLines.h"
#include "receiving/ReportProcessor.h"
#include "receiving/UnframedKeeper.h"
#include "serial/StreamBreak.h"
#include "station/AppState.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <optional>

using namespace qalor;
using namespace qalor::test;

namespace {

constexpr int LineLength = Intake::LineLength;

int countRows(const TestDatabase& db, const QString& table)
{
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table).toInt();
}

} // namespace

class TestIntakeLoop : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void linesInAnyChunksArePricedOnce();
    void rawSavingKeepsEveryLine();
    void rawSaveFailureDoesNotCostTheCall();
    void fieldOrderErrorEndsOnlyItsLine();
    void gateAndBillability();
    void reportModeOnlyCollects();
    void hotelDepositLowersTheClassOnce();
    void hotelChargeStoredWithItsCallOnly();
    void depositReachedExactly_data();
    void depositReachedExactly();

    void droppedConnectionRecovers();
    void unreachableDataSourceLosesNothing();
    void callArrivingWhileRefusalIsShown();

    void callDuringReplayWaitsForTheJournal();
    void batchFailureKeepsItsLines();
    void batchRefusedInAFullStatementKeepsItsLines();
    void batchSkipsFieldOrderErrors();
    void batchAfterAnEarlierRefusal();

    void whatWasReadSurvivesACrash();
    void replayAfterACrashStoresNothingTwice_data();
    void replayAfterACrashStoresNothingTwice();
    void reportLineWaitsForItsJournal();
    void rawLinesWaitForTheDataSource();
    void messagesWaitForTheHandlingAndNeverStack();
    void unframedCharactersAreKeptAndCutAgain();
    void lineCutByARestartIsJoinedOnlyOnRequest();
    void lineSentAgainAfterARestart_data();
    void lineSentAgainAfterARestart();

private:
    QTemporaryDir m_data;
};

void TestIntakeLoop::initTestCase()
{
    QVERIFY(m_data.isValid());
    qputenv("QALOR_DATA_DIR", QFile::encodeName(m_data.path()));
}

void TestIntakeLoop::init()
{
    // Journals belong to one test only.
    QDir dir(m_data.path());
    for (const QString& name : dir.entryList(QDir::Files))
        dir.remove(name);
    AppState::instance().hotel = HotelSettings();
}

void TestIntakeLoop::linesInAnyChunksArePricedOnce()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    Intake rig;
    QCOMPARE(rig.engine.cdrLineLength(), LineLength);

    // Chunks from one character to more than two lines, cut anywhere: every
    // line is priced once, including several lines in one read.
    const int lines = 60;
    const QString text = mobileLines(lines);
    rig.port.deliverInChunks(text, randomChunks(text.size(), 2 * LineLength + 3, 20260315));

    QCOMPARE(countRows(db, QStringLiteral("话费表")), lines);
    QCOMPARE(storedTwice(db), QStringList());
    QCOMPARE(rig.calls.rowCount(), ReceivedCallsModel::MaxRows);
    QCOMPARE(rig.calls.cell(0, ReceivedCallsModel::Called).trimmed(), mobileCall(lines - 1).dialled);
    QCOMPARE(rig.calls.cell(29, ReceivedCallsModel::Called).trimmed(), mobileCall(lines - 30).dialled);
    QCOMPARE(prompt.texts, QStringList());
}

void TestIntakeLoop::rawSavingKeepsEveryLine()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    Intake rig;
    QVERIFY(rig.intake.openRawStore());
    rig.intake.setSaveRaw(true);

    CdrCall traced = mobileCall(1);
    traced.trace = QStringLiteral("0001");
    const QString text = mobileCall(0).line() + traced.line() + mobileCall(2).line();
    rig.port.deliverInChunks(text, randomChunks(text.size(), 50, 7));

    // Every complete line goes to cdr表 as received, priced or not.
    const QStringList raw = db.column(QStringLiteral("SELECT 呼叫记录 FROM cdr表"));
    QCOMPARE(raw.size(), 3);
    QVERIFY(raw.contains(mobileCall(0).line()));
    QVERIFY(raw.contains(traced.line()));
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 2);

    rig.intake.setSaveRaw(false);
    rig.port.deliver(mobileCall(3).line());
    QCOMPARE(countRows(db, QStringLiteral("cdr表")), 3);
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 3);
}

void TestIntakeLoop::rawSaveFailureDoesNotCostTheCall()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    Intake rig;
    QVERIFY(rig.intake.openRawStore());
    rig.intake.setSaveRaw(true);
    db.execute(QStringLiteral("DROP TABLE cdr表"));

    rig.port.deliver(mobileCall(0).line());
    rig.port.deliver(mobileCall(1).line());

    // Both calls are priced and shown; the failure is reported once, with
    // the data source's own text.
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 2);
    QCOMPARE(rig.calls.rowCount(), 2);
    QCOMPARE(prompt.texts.size(), 1);
    QVERIFY(!prompt.texts.first().isEmpty());
}

void TestIntakeLoop::fieldOrderErrorEndsOnlyItsLine()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    Intake rig;
    rig.port.log.clear();

    QString misplaced = mobileCall(0).line();
    misplaced[4] = QLatin1Char('X'); // the separator after the trace number

    // The bad line alone, with a good line read together with it, and with
    // the start of the next line whose rest comes later; also while intake
    // is held. The port is never closed, and every good line is priced once.
    rig.port.deliver(misplaced);
    rig.port.deliver(misplaced + mobileCall(1).line());
    const QString next = mobileCall(2).line();
    rig.port.deliver(misplaced + next.left(20));
    rig.port.deliver(next.mid(20) + misplaced.left(30));
    rig.intake.hold();
    rig.port.deliver(misplaced.mid(30) + mobileCall(3).line() + misplaced);
    rig.intake.release();
    rig.port.deliver(mobileCall(4).line());

    QCOMPARE(rig.port.log, QStringList());
    QVERIFY(rig.port.portOpen());
    QCOMPARE(db.column(QStringLiteral("SELECT 被叫号 FROM 话费表 ORDER BY 被叫号")),
             (QStringList{mobileCall(1).dialled, mobileCall(2).dialled, mobileCall(3).dialled,
                          mobileCall(4).dialled}));
    QCOMPARE(prompt.texts, QStringList());
}

void TestIntakeLoop::gateAndBillability()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    Intake rig;

    CdrCall traced = mobileCall(1);
    traced.trace = QStringLiteral("0007");
    CdrCall tracedUnanswered = mobileCall(2);
    tracedUnanswered.trace = QStringLiteral("0007");
    tracedUnanswered.start = QStringLiteral("000000");
    CdrCall unanswered = mobileCall(3);
    unanswered.start = QStringLiteral("000000");
    CdrCall heading = mobileCall(4);
    heading.trace = QStringLiteral("CALL");

    rig.port.deliver(traced.line() + tracedUnanswered.line() + unanswered.line() + heading.line() +
                     mobileCall(5).line());

    // Only the untraced answered call is priced and listed.
    QCOMPARE(db.column(QStringLiteral("SELECT 被叫号 FROM 话费表")), QStringList{mobileCall(5).dialled});
    QCOMPARE(rig.calls.rowCount(), 1);
    QCOMPARE(rig.calls.cell(0, ReceivedCallsModel::Caller), QStringLiteral("8001"));
}

void TestIntakeLoop::reportModeOnlyCollects()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    Intake rig;
    QVERIFY(rig.intake.openRawStore());
    rig.intake.setSaveRaw(true);
    rig.intake.setReportMode(true);

    const QString text = mobileLines(3);
    rig.port.deliverInChunks(text, randomChunks(text.size(), 40, 3));

    QCOMPARE(rig.report.size(), 3);
    QCOMPARE(rig.report.lines().first(), mobileCall(0).line());
    QCOMPARE(LineJournal(ReportLines::defaultJournalPath()).lines(), rig.report.lines());
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 0);
    QCOMPARE(countRows(db, QStringLiteral("cdr表")), 0);
    QCOMPARE(rig.calls.rowCount(), 0);
}

void TestIntakeLoop::hotelDepositLowersTheClassOnce()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    RecordingClassChange change;
    // Two open stays; each mobile call costs 0.80, so the second call of
    // 8003 crosses its deposit of 1.50.
    db.execute(
        QStringLiteral("INSERT INTO 宾馆管理表 (分机号, 房间号, 入住日期, 入住时间, 结帐金额, 是否已经结帐, "
                       "服务费比例, 押金) VALUES ('8003', '301', '20260314', '120000', 0, 0, 0, 1.5)"));
    db.execute(
        QStringLiteral("INSERT INTO 宾馆管理表 (分机号, 房间号, 入住日期, 入住时间, 结帐金额, 是否已经结帐, "
                       "服务费比例, 押金) VALUES ('8004', '302', '20260314', '120000', 0, 0, 0, 1.5)"));
    AppState::instance().hotel.autoChange = 1;
    Intake rig;

    for (int i = 0; i < 4; ++i)
        rig.port.deliver(mobileCall(i, QStringLiteral("8003")).line());
    QCOMPARE(change.lowered, QStringList{QStringLiteral("8003")});
    QCOMPARE(db.scalar(QStringLiteral("SELECT 结帐金额 FROM 宾馆管理表 WHERE 分机号='8003'")).toDouble(),
             3.2);

    // Without the automatic change the deposit is still accrued, nothing is sent.
    AppState::instance().hotel.autoChange = 0;
    for (int i = 10; i < 12; ++i)
        rig.port.deliver(mobileCall(i, QStringLiteral("8004")).line());
    QCOMPARE(change.lowered, QStringList{QStringLiteral("8003")});
    QCOMPARE(db.scalar(QStringLiteral("SELECT 结帐金额 FROM 宾馆管理表 WHERE 分机号='8004'")).toDouble(),
             1.6);
}

// A guest's charge and the call it is for are stored in one transaction:
// when the register refuses the charge the call is not stored either, and
// when a later step of the call's transaction is refused neither stays.
// Both are stored once as soon as the data source takes them.
void TestIntakeLoop::hotelChargeStoredWithItsCallOnly()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    db.execute(
        QStringLiteral("INSERT INTO 宾馆管理表 (分机号, 房间号, 入住日期, 入住时间, 结帐金额, 是否已经结帐, "
                       "服务费比例, 押金) VALUES ('8003', '301', '260314', '120000', 0, 0, 0, 100)"));
    const bool pg = TestDatabase::isPostgres();
    if (pg)
        db.execute(QStringLiteral("CREATE FUNCTION refuse() RETURNS trigger AS $$ BEGIN RAISE EXCEPTION "
                                  "'refused'; END $$ LANGUAGE plpgsql"));
    const auto refuse = [&](const QString& table, const QString& events) {
        if (pg) {
            db.execute(
                QStringLiteral("CREATE TRIGGER refuse BEFORE %1 ON %2 FOR EACH ROW EXECUTE FUNCTION refuse()")
                    .arg(events, table));
            return;
        }
        for (const QString& event : events.split(QStringLiteral(" OR ")))
            db.execute(QStringLiteral("CREATE TRIGGER refuse_%1 BEFORE %1 ON %2 BEGIN SELECT RAISE(ABORT, "
                                      "'refused'); END")
                           .arg(event, table));
    };
    const auto allow = [&](const QString& table) {
        for (const QString& name : pg ? QStringList{"refuse"} : QStringList{"refuse_INSERT", "refuse_UPDATE"})
            db.execute(QStringLiteral("DROP TRIGGER IF EXISTS %1%2")
                           .arg(name, pg ? QStringLiteral(" ON ") + table : QString()));
    };
    const auto state = [&] {
        return db.scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")) + QLatin1Char('|') +
               db.scalar(QStringLiteral("SELECT CAST(ROUND(结帐金额*100) AS INTEGER) FROM 宾馆管理表")) +
               QLatin1Char('|') + db.scalar(QStringLiteral("SELECT COUNT(*) FROM 宾馆通话表"));
    };
    Intake rig;
    rig.port.deliver(mobileCall(0, QStringLiteral("8003")).line());
    QCOMPARE(state(), QStringLiteral("1|80|1"));

    refuse(QStringLiteral("宾馆管理表"), QStringLiteral("UPDATE"));
    rig.port.deliver(mobileCall(1, QStringLiteral("8003")).line());
    QCOMPARE(state(), QStringLiteral("1|80|1"));
    QCOMPARE(rig.engine.pendingCallCount(), 1);
    allow(QStringLiteral("宾馆管理表"));
    rig.port.deliver(mobileCall(2, QStringLiteral("8003")).line());
    QCOMPARE(state(), QStringLiteral("3|240|3"));

    // The line's mark, written after the charge, is refused.
    refuse(QStringLiteral("日志序号表"), QStringLiteral("INSERT OR UPDATE"));
    rig.port.deliver(mobileCall(3, QStringLiteral("8003")).line());
    QCOMPARE(state(), QStringLiteral("3|240|3"));
    allow(QStringLiteral("日志序号表"));
    rig.port.deliver(mobileCall(4, QStringLiteral("8003")).line());
    // The refused line waits in the received journal, the next behind it,
    // until the retry after a pause.
    QTRY_COMPARE_WITH_TIMEOUT(state(), QStringLiteral("5|400|5"), 15000);
    QCOMPARE(rig.engine.pendingCallCount(), 0);
    QStringList numbers = db.column(QStringLiteral("SELECT 被叫号 FROM 宾馆通话表"));
    numbers.sort();
    QCOMPARE(numbers, db.column(QStringLiteral("SELECT 被叫号 FROM 话费表 ORDER BY 被叫号")));
    QVERIFY(!prompt.texts.isEmpty()); // what the data source said, once a refusal
}

// Charges that land exactly on the deposit have reached it, live, in a
// REPORT batch and when calls refused by the data source are stored later;
// a cent short they have not.
enum class StoredBy { Live, Batch, Replay };
Q_DECLARE_METATYPE(StoredBy)

void TestIntakeLoop::depositReachedExactly_data()
{
    QTest::addColumn<StoredBy>("path");
    QTest::addColumn<QString>("surchargeRate");
    QTest::addColumn<QString>("deposit");
    QTest::addColumn<bool>("lowered");
    // Two mobile calls of two units each: 0.80 apiece, 1.10 with a surcharge of 0.15 a unit.
    const QString none = QStringLiteral("0");
    const QString surcharge = QStringLiteral("0.15");
    QTest::newRow("live, exactly the deposit") << StoredBy::Live << none << QStringLiteral("1.6") << true;
    QTest::newRow("live, a cent short") << StoredBy::Live << none << QStringLiteral("1.61") << false;
    QTest::newRow("REPORT batch, exactly the deposit")
        << StoredBy::Batch << none << QStringLiteral("1.6") << true;
    QTest::newRow("REPORT batch, a cent short") << StoredBy::Batch << none << QStringLiteral("1.61") << false;
    QTest::newRow("stored after a refusal, exactly")
        << StoredBy::Replay << none << QStringLiteral("1.6") << true;
    QTest::newRow("stored after a refusal, a cent short")
        << StoredBy::Replay << none << QStringLiteral("1.61") << false;
    QTest::newRow("live with a surcharge, exactly")
        << StoredBy::Live << surcharge << QStringLiteral("2.2") << true;
    QTest::newRow("live with a surcharge, a cent short")
        << StoredBy::Live << surcharge << QStringLiteral("2.21") << false;
    QTest::newRow("REPORT batch with a surcharge, exactly")
        << StoredBy::Batch << surcharge << QStringLiteral("2.2") << true;
    QTest::newRow("stored after a refusal with a surcharge, a cent short")
        << StoredBy::Replay << surcharge << QStringLiteral("2.21") << false;
}

void TestIntakeLoop::depositReachedExactly()
{
    QFETCH(StoredBy, path);
    QFETCH(QString, surchargeRate);
    QFETCH(QString, deposit);
    QFETCH(bool, lowered);
    TestDatabase db(true);
    RecordingPrompt prompt;
    RecordingClassChange change;
    db.execute(QStringLiteral("UPDATE 费率表 SET 附加费费率=%1 WHERE 区号='13'").arg(surchargeRate));
    db.execute(
        QStringLiteral("INSERT INTO 宾馆管理表 (分机号, 房间号, 入住日期, 入住时间, 结帐金额, 是否已经结帐, "
                       "服务费比例, 押金) VALUES ('8003', '301', '20260314', '120000', 0, 0, 0, %1)")
            .arg(deposit));
    AppState::instance().hotel.autoChange = 1;
    Intake rig;
    rig.intake.setReportMode(path == StoredBy::Batch);
    if (path == StoredBy::Replay)
        refuseCaller(db, QStringLiteral("8003"));
    // Two mobile calls of 0.80 each.
    rig.port.deliver(mobileCall(0, QStringLiteral("8003")).line() +
                     mobileCall(1, QStringLiteral("8003")).line());
    if (path == StoredBy::Batch) {
        ReportProcessor processor(rig.intake, rig.engine, rig.report);
        QCOMPARE(processor.compute().stored, 2);
    }
    if (path == StoredBy::Replay) {
        QCOMPARE(change.lowered, QStringList{});
        acceptEveryCaller(db);
        rig.port.deliver(mobileCall(2).line()); // another extension's call stores the waiting ones first
        QCOMPARE(rig.engine.pendingCallCount(), 0);
        QCOMPARE(countRows(db, QStringLiteral("话费表")), 3);
    } else {
        QCOMPARE(countRows(db, QStringLiteral("话费表")), 2);
    }
    QCOMPARE(change.lowered, lowered ? QStringList{QStringLiteral("8003")} : QStringList{});
    // The stay grows by what each line shows: charge and surcharge.
    const double accrued = surchargeRate == QStringLiteral("0") ? 1.6 : 2.2;
    QCOMPARE(db.scalar(QStringLiteral("SELECT 结帐金额 FROM 宾馆管理表 WHERE 分机号='8003'")).toDouble(),
             accrued);
}

void TestIntakeLoop::droppedConnectionRecovers()
{
    if (!TestDatabase::isPostgres())
        QSKIP("a file data source has no server connection to lose");
    TestDatabase db(true);
    RecordingPrompt prompt;
    Intake rig;
    rig.port.deliver(mobileCall(0).line());
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 1);

    // The server drops the workstation's connection (a restart, a network
    // break) and takes connections again at once.
    db.execute(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                              "WHERE datname = current_database() AND pid <> pg_backend_pid()"));
    rig.port.deliver(mobileCall(1).line());
    rig.port.deliver(mobileCall(2).line());
    rig.port.deliver(mobileCall(3).line());

    // Only the call that met the broken connection waited; it is stored
    // with the next one, and nothing twice.
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 4);
    QCOMPARE(storedTwice(db), QStringList());
    QCOMPARE(rig.engine.pendingCallCount(), 0);
    QCOMPARE(prompt.texts.size(), 1);
    QCOMPARE(rig.calls.cell(0, ReceivedCallsModel::Called).trimmed(), mobileCall(3).dialled);

    // The same for a REPORT batch: the run that meets the broken connection
    // keeps its lines, the next run stores them.
    rig.intake.setReportMode(true);
    rig.port.deliver(mobileLines(3, 4));
    db.execute(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                              "WHERE datname = current_database() AND pid <> pg_backend_pid()"));
    ReportProcessor processor(rig.intake, rig.engine, rig.report);
    QVERIFY(processor.compute().failed);
    QCOMPARE(rig.report.size(), 3);
    QCOMPARE(processor.compute().stored, 3);
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 7);
    QCOMPARE(storedTwice(db), QStringList());
}

void TestIntakeLoop::unreachableDataSourceLosesNothing()
{
    if (!TestDatabase::isPostgres())
        QSKIP("a file data source cannot become unreachable");
    TestDatabase db(true);
    RecordingPrompt prompt;
    Intake rig;
    rig.port.deliver(mobileCall(0).line());
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 1);

    // One call meets the dropped connection and no other call follows: it
    // is stored once the server is back all the same.
    db.setReachable(false);
    rig.port.deliver(mobileCall(1).line());
    QCOMPARE(rig.engine.pendingCallCount(), 1);
    db.setReachable(true);
    QTRY_COMPARE_WITH_TIMEOUT(countRows(db, QStringLiteral("话费表")), 2, 15000);
    QTRY_COMPARE(rig.engine.pendingCallCount(), 0);

    // The server goes away for a while: the call that meets the dropped
    // connection and the ones after it, while no connection can be made,
    // are all kept.
    prompt.texts.clear();
    db.setReachable(false);
    for (int i = 2; i <= 5; ++i)
        rig.port.deliver(mobileCall(i).line());
    QVERIFY(!prompt.texts.isEmpty());
    const int shown = prompt.texts.size();
    QTest::qWait(3500); // a try while the server is still away
    rig.port.deliver(mobileCall(6).line());
    QCOMPARE(prompt.texts.size(), shown); // told once, not at every try

    // Back: everything is stored, once, without another call arriving.
    db.setReachable(true);
    QTRY_COMPARE_WITH_TIMEOUT(countRows(db, QStringLiteral("话费表")), 7, 15000);
    QTRY_COMPARE(rig.engine.pendingCallCount(), 0);
    rig.port.deliver(mobileCall(7).line());
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 8);
    QCOMPARE(storedTwice(db), QStringList());
    QCOMPARE(rig.calls.cell(0, ReceivedCallsModel::Called).trimmed(), mobileCall(7).dialled);
}

// Shows texts like the recording prompt; while one text is shown, the port
// may deliver more (a message box runs the event loop, receive events
// included).
class PromptWithTraffic : public RecordingPrompt
{
public:
    void inform(const QString& text) override
    {
        RecordingPrompt::inform(text);
        if (whileShown && texts.size() == showAt)
            whileShown();
        if (onText)
            onText(text);
    }
    std::function<void()> whileShown;
    qsizetype showAt = 0;
    std::function<void(const QString&)> onText;
};

void TestIntakeLoop::callArrivingWhileRefusalIsShown()
{
    TestDatabase db(true);
    PromptWithTraffic prompt;
    Intake rig;
    refuseCaller(db, QStringLiteral("8013"));
    rig.port.deliver(mobileCall(0, QStringLiteral("8013")).line());
    QCOMPARE(rig.engine.pendingCallCount(), 1);

    // The next stored call replays the waiting one, which is refused again;
    // while that refusal is on screen another call comes in. The refused
    // call is then set aside (while 话费表 takes other rows it would block
    // the journal for good), and the one that came in is stored behind it.
    prompt.showAt = 2;
    prompt.whileShown = [&] { rig.port.deliver(mobileCall(2).line()); };
    rig.port.deliver(mobileCall(1).line());
    QCOMPARE(prompt.texts.size(), 3);
    QVERIFY(prompt.texts.last().contains(RefusedCalls::path()));
    QCOMPARE(LineJournal(RefusedCalls::path()).lines().size(), 1);

    acceptEveryCaller(db);
    rig.port.deliver(mobileCall(3).line());
    QCOMPARE(db.column(QStringLiteral("SELECT 被叫号 FROM 话费表 ORDER BY 被叫号")),
             (QStringList{mobileCall(1).dialled, mobileCall(2).dialled, mobileCall(3).dialled}));
    QCOMPARE(rig.engine.pendingCallCount(), 0);
}

// A call that comes in while the replay of waiting calls shows a message,
// while the waiting calls' journal cannot be written: it waits in the
// received journal and is stored once the journal takes it, never lost.
void TestIntakeLoop::callDuringReplayWaitsForTheJournal()
{
    TestDatabase db(true);
    PromptWithTraffic prompt;
    Intake rig;
    refuseCaller(db, QStringLiteral("8013"));
    rig.port.deliver(mobileCall(0, QStringLiteral("8013")).line());
    QCOMPARE(rig.engine.pendingCallCount(), 1);
    const QString pending = CCallRater::pendingJournalPath();
    bool arrived = false;
    prompt.showAt = -1;
    prompt.onText = [&](const QString& text) {
        // The replay (started by its timer) sets the refused call aside and says so.
        if (arrived || !text.contains(RefusedCalls::path()))
            return;
        arrived = true;
        QVERIFY(QFile::rename(pending, pending + QStringLiteral(".away")));
        QVERIFY(QDir().mkdir(pending));
        rig.port.deliver(mobileCall(1).line());
        QVERIFY(QDir().rmdir(pending));
        QVERIFY(QFile::rename(pending + QStringLiteral(".away"), pending));
    };
    QTRY_VERIFY_WITH_TIMEOUT(arrived, 15000);
    QTRY_COMPARE_WITH_TIMEOUT(storedNumbers(db), QStringList{mobileCall(1).dialled}, 15000);
    QVERIFY2(!prompt.texts.filter(QStringLiteral("无法写入日志文件")).isEmpty(),
             qPrintable(prompt.texts.join(QLatin1Char('\n'))));
    rig.port.deliver(mobileCall(2).line());
    QCOMPARE(storedNumbers(db), (QStringList{mobileCall(1).dialled, mobileCall(2).dialled}));
    QCOMPARE(rig.engine.pendingCallCount(), 0);
}

// Killed in the middle of a line: its head (with the break) and its tail
// are both kept, never joined by the program; joined on request they make
// one REPORT line, and a pair that makes no line is refused.
void TestIntakeLoop::lineCutByARestartIsJoinedOnlyOnRequest()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    const QString cut = mobileCall(1).line();
    std::optional<Intake> rig;
    rig.emplace();
    rig->port.deliver(mobileCall(0).line() + cut.left(24));
    rig.reset();
    rig.emplace();
    rig->port.deliver(cut.mid(24) + mobileCall(2).line() + QStringLiteral("NOISE\r\n"));
    QCOMPARE(storedNumbers(db), (QStringList{mobileCall(0).dialled, mobileCall(2).dialled}));
    const QList<LineJournal::Entry> pieces = rig->intake.unframedPieces();
    QCOMPARE(pieces.size(), 3);
    QCOMPARE(pieces.at(0).text, cut.left(24) + QChar(StreamBreak));
    QCOMPARE(pieces.at(1).text, cut.mid(24));

    // Only a head and the piece after it, and only when they make a line.
    QCOMPARE(rig->intake.joinableLine(pieces.at(1).number), QString());
    QCOMPARE(rig->intake.joinableLine(pieces.at(2).number), QString());
    QVERIFY(!rig->intake.joinUnframed(pieces.at(1).number));
    QCOMPARE(rig->intake.joinableLine(pieces.at(0).number), cut);
    QVERIFY(rig->intake.joinUnframed(pieces.at(0).number));
    QVERIFY(rig->intake.reportMode());
    QCOMPARE(rig->report.lines(), QStringList{cut});
    QCOMPARE(rig->intake.unframedPieces().size(), 1);
    QCOMPARE(rig->intake.unframedPieces().first().text, QStringLiteral("NOISE\r\n"));

    ReportProcessor processor(rig->intake, rig->engine, rig->report);
    processor.compute();
    QCOMPARE(storedNumbers(db),
             (QStringList{mobileCall(0).dialled, mobileCall(1).dialled, mobileCall(2).dialled}));
    // Nothing said but that pieces were kept.
    QCOMPARE(prompt.texts.filter(QStringLiteral("不符合当前的CDR字段定义")), prompt.texts);
}

void TestIntakeLoop::batchFailureKeepsItsLines()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    Intake rig;
    rig.intake.setReportMode(true);
    // 25 lines in batches of 10; the 15th comes from an extension the data
    // source refuses, so the second batch fails in its middle.
    QString text;
    for (int i = 0; i < 25; ++i)
        text += mobileCall(i, i == 14 ? QStringLiteral("8013") : QStringLiteral("8001")).line();
    rig.port.deliver(text);
    QCOMPARE(rig.report.size(), 25);
    refuseCaller(db, QStringLiteral("8013"));

    ReportProcessor processor(rig.intake, rig.engine, rig.report);
    processor.setBatchSize(10);
    QList<int> progress;
    ReportProcessor::Result result = processor.compute([&](int done, int total) {
        progress << done << total;
        return true;
    });

    QVERIFY(result.failed);
    QCOMPARE(result.done, 10);
    QCOMPARE(progress, (QList<int>{0, 25, 10, 25}));
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 10);
    QCOMPARE(rig.calls.rowCount(), 10);
    QCOMPARE(rig.report.size(), 15);
    QCOMPARE(rig.report.lines().first(), mobileCall(10).line());
    QCOMPARE(LineJournal(ReportLines::defaultJournalPath()).lines(), rig.report.lines());
    QVERIFY(rig.intake.reportMode());
    QCOMPARE(prompt.texts.size(), 1);
    // The refused call waits with its batch, not a second time in the engine's own journal.
    QCOMPARE(LineJournal(CCallRater::pendingJournalPath()).lines(), QStringList());

    // Once the data source takes the call, every line is stored exactly once.
    acceptEveryCaller(db);
    result = processor.compute();
    QVERIFY(!result.failed);
    QCOMPARE(result.stored, 15);
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 25);
    QCOMPARE(storedTwice(db), QStringList());
    QVERIFY(rig.report.isEmpty());
    QVERIFY(LineJournal(ReportLines::defaultJournalPath()).isEmpty());
    QVERIFY(!rig.intake.reportMode());
}

void TestIntakeLoop::batchRefusedInAFullStatementKeepsItsLines()
{
    // A batch longer than one INSERT statement carries: the refused call is
    // in the second statement, written while the batch is still pricing.
    TestDatabase db(true);
    RecordingPrompt prompt;
    Intake rig;
    rig.intake.setReportMode(true);
    constexpr int Lines = 450;
    QString text;
    for (int i = 0; i < Lines; ++i)
        text += mobileCall(i, i == 329 ? QStringLiteral("8013") : QStringLiteral("8001")).line();
    rig.port.deliver(text);
    QCOMPARE(rig.report.size(), Lines);
    refuseCaller(db, QStringLiteral("8013"));

    ReportProcessor processor(rig.intake, rig.engine, rig.report);
    ReportProcessor::Result result = processor.compute();
    QVERIFY(result.failed);
    QCOMPARE(result.done, 0);
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 0);
    QCOMPARE(rig.calls.rowCount(), 0);
    QCOMPARE(rig.report.size(), Lines);
    QCOMPARE(prompt.texts.size(), 1);
    QCOMPARE(LineJournal(CCallRater::pendingJournalPath()).lines(), QStringList());

    acceptEveryCaller(db);
    result = processor.compute();
    QVERIFY(!result.failed);
    QCOMPARE(result.stored, Lines);
    QCOMPARE(countRows(db, QStringLiteral("话费表")), Lines);
    QCOMPARE(storedTwice(db), QStringList());
    QCOMPARE(rig.calls.rowCount(), ReceivedCallsModel::MaxRows);
    QVERIFY(rig.report.isEmpty());
}

void TestIntakeLoop::batchSkipsFieldOrderErrors()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    Intake rig;
    rig.intake.setReportMode(true);
    QString misplaced = mobileCall(0).line();
    misplaced[4] = QLatin1Char('X');
    rig.port.deliver(misplaced + mobileCall(1).line());
    rig.port.log.clear();

    ReportProcessor processor(rig.intake, rig.engine, rig.report);
    const ReportProcessor::Result result = processor.compute();

    // The bad line ends alone: no port reset, the next line is priced.
    QVERIFY(!result.failed);
    QCOMPARE(result.done, 2);
    QCOMPARE(result.stored, 1);
    QCOMPARE(rig.port.log, QStringList());
    QCOMPARE(db.column(QStringLiteral("SELECT 被叫号 FROM 话费表")), QStringList{mobileCall(1).dialled});
}

void TestIntakeLoop::batchAfterAnEarlierRefusal()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    Intake rig;
    // A live call the data source refused waits in the engine's journal.
    refuseCaller(db, QStringLiteral("8013"));
    rig.port.deliver(mobileCall(0, QStringLiteral("8013")).line());
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 0);
    acceptEveryCaller(db);

    // The batch starts with lines that are never priced (a traced call, a
    // call without a start time): they end alone, not as a refused row.
    rig.intake.setReportMode(true);
    CdrCall traced = mobileCall(1);
    traced.trace = QStringLiteral("0001");
    rig.port.deliver(traced.line() + mobileCall(2).line());
    ReportProcessor processor(rig.intake, rig.engine, rig.report);
    const ReportProcessor::Result result = processor.compute();

    QVERIFY(!result.failed);
    QCOMPARE(result.done, 2);
    QCOMPARE(result.stored, 1);
    QVERIFY(rig.report.isEmpty());
    QVERIFY(!rig.intake.reportMode());
    QCOMPARE(db.column(QStringLiteral("SELECT 被叫号 FROM 话费表 ORDER BY 被叫号")),
             (QStringList{mobileCall(0).dialled, mobileCall(2).dialled}));
}

void TestIntakeLoop::whatWasReadSurvivesACrash()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    const QString cutShort = mobileCall(10).line().left(30);
    {
        // Read but not yet handled when the program ends: held lines, and
        // the start of a line.
        Intake rig;
        rig.intake.hold();
        rig.port.deliver(mobileLines(10) + cutShort);
    }
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 0);
    // The port was closed meanwhile: what comes after the restart, even
    // where it would fit, never completes that start.
    Intake rig;
    rig.port.deliver(mobileCall(10).line().mid(30) + mobileCall(11).line());
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 11);
    QVERIFY(!db.column(QStringLiteral("SELECT 被叫号 FROM 话费表")).contains(mobileCall(10).dialled));
    QCOMPARE(storedTwice(db), QStringList());
    QCOMPARE(LineJournal(UnframedKeeper::journalPath()).lines(),
             (QStringList{cutShort + QChar(StreamBreak), mobileCall(10).line().mid(30)}));
    QCOMPARE(prompt.texts.size(), 1);
    QVERIFY(prompt.texts.first().contains(QStringLiteral("已另行保存")));
}

namespace {
// The program ended right after the data source committed and before the
// journal's own mark reached the disk: the journal is as it was before.
struct CrashBeforeMark
{
    explicit CrashBeforeMark(const QString& path) : m_path(path)
    {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            m_bytes = file.readAll();
    }
    void happen() const
    {
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(m_bytes);
    }
    QString m_path;
    QByteArray m_bytes;
};
} // namespace

void TestIntakeLoop::replayAfterACrashStoresNothingTwice_data()
{
    QTest::addColumn<QString>("journal");
    QTest::addRow("received lines") << QStringLiteral("received");
    QTest::addRow("waiting calls") << QStringLiteral("pending");
    QTest::addRow("REPORT batch") << QStringLiteral("report");
}

void TestIntakeLoop::replayAfterACrashStoresNothingTwice()
{
    QFETCH(QString, journal);
    TestDatabase db(true);
    RecordingPrompt prompt;
    std::optional<Intake> rig;
    rig.emplace();
    QString path;
    if (journal == QLatin1String("received")) {
        rig->intake.hold();
        rig->port.deliver(mobileLines(5));
        path = ReceivedJournal::defaultPath();
        const CrashBeforeMark crash(path);
        rig->intake.release();
        QCOMPARE(countRows(db, QStringLiteral("话费表")), 5);
        rig.reset();
        crash.happen();
        rig.emplace();
        rig->port.deliver(mobileCall(5).line());
    } else if (journal == QLatin1String("pending")) {
        refuseCaller(db, QStringLiteral("8013"));
        for (int i = 0; i < 5; ++i)
            rig->port.deliver(mobileCall(i, QStringLiteral("8013")).line());
        QCOMPARE(rig->engine.pendingCallCount(), 5);
        acceptEveryCaller(db);
        path = CCallRater::pendingJournalPath();
        const CrashBeforeMark crash(path);
        rig->port.deliver(mobileCall(5).line());
        QCOMPARE(countRows(db, QStringLiteral("话费表")), 6);
        rig.reset();
        crash.happen();
        rig.emplace(); // the engine replays its journal at start
    } else {
        rig->intake.setReportMode(true);
        rig->port.deliver(mobileLines(5));
        path = ReportLines::defaultJournalPath();
        const CrashBeforeMark crash(path);
        QCOMPARE(ReportProcessor(rig->intake, rig->engine, rig->report).compute().stored, 5);
        rig.reset();
        crash.happen();
        rig.emplace();
        QVERIFY(rig->report.restore() <= 5);
        ReportProcessor(rig->intake, rig->engine, rig->report).compute();
        rig->intake.setReportMode(false);
        rig->port.deliver(mobileCall(5).line());
    }
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 6);
    QCOMPARE(storedTwice(db), QStringList());
}

void TestIntakeLoop::reportLineWaitsForItsJournal()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    std::optional<Intake> rig;
    rig.emplace();
    rig->intake.setReportMode(true);
    const QString path = ReportLines::defaultJournalPath();
    rig->port.deliver(mobileCall(0).line());
    // The journal cannot be written for the second line: kept in memory
    // only, it would be gone after a restart. It waits in the received
    // journal, and the lines behind it wait too.
    QVERIFY(QFile::rename(path, path + QStringLiteral(".away")));
    QVERIFY(QDir().mkdir(path));
    rig->port.deliver(mobileCall(1).line());
    QCOMPARE(rig->report.size(), 1);
    QCOMPARE(prompt.texts.filter(QStringLiteral("无法写入日志文件")).size(), 1);
    QVERIFY(QDir().rmdir(path));
    QVERIFY(QFile::rename(path + QStringLiteral(".away"), path));
    rig->port.deliver(mobileCall(2).line() + mobileCall(3).line());
    QTRY_COMPARE_WITH_TIMEOUT(rig->report.size(), 4, 15000);
    const QStringList lines = {mobileCall(0).line(), mobileCall(1).line(), mobileCall(2).line(),
                               mobileCall(3).line()};
    QCOMPARE(rig->report.lines(), lines);
    rig.reset();
    rig.emplace();
    QCOMPARE(rig->report.restore(), 4);
    QCOMPARE(rig->report.lines(), lines);

    // The first batch holds the first two lines; the journal forgets exactly those.
    ReportProcessor processor(rig->intake, rig->engine, rig->report);
    processor.setBatchSize(2);
    processor.compute([](int done, int) { return done == 0; });
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 2);
    QCOMPARE(LineJournal(path).lines(), (QStringList{mobileCall(2).line(), mobileCall(3).line()}));
}

void TestIntakeLoop::rawLinesWaitForTheDataSource()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    Intake rig;
    QVERIFY(rig.intake.openRawStore());
    rig.intake.setSaveRaw(true);
    db.execute(QStringLiteral("ALTER TABLE cdr表 RENAME TO cdr表_away"));
    rig.port.deliver(mobileLines(3));
    // A line with a NUL in its dialled number is no call, but kept raw.
    QString noisy = mobileCall(3).line();
    noisy[50] = QChar(0);
    rig.port.deliver(noisy);
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 3);
    db.execute(QStringLiteral("ALTER TABLE cdr表_away RENAME TO cdr表"));
    rig.intake.closeRawStore();
    rig.port.deliver(mobileCall(4).line());

    QCOMPARE(countRows(db, QStringLiteral("话费表")), 4);
    QStringList raw = db.column(QStringLiteral("SELECT 呼叫记录 FROM cdr表"));
    raw.sort();
    QString noisyRaw = noisy;
    noisyRaw.replace(50, 1, QStringLiteral("\\x00"));
    QStringList expected = {mobileCall(0).line(), mobileCall(1).line(), mobileCall(2).line(), noisyRaw,
                            mobileCall(4).line()};
    expected.sort();
    QCOMPARE(raw, expected);
    // The data source's refusal once, and once that the NUL line was kept aside.
    QCOMPARE(prompt.texts.size(), 2);
}

void TestIntakeLoop::messagesWaitForTheHandlingAndNeverStack()
{
    TestDatabase db(true);
    PromptWithTraffic prompt;
    Intake rig;
    CdrCall month13 = mobileCall(100);
    month13.date = QStringLiteral("261315");
    // While the message about the bad date is open, more calls and the same
    // bad date again arrive: the calls are priced at once, the same text is
    // only counted.
    int storedWhileShown = -1;
    prompt.showAt = 1;
    prompt.whileShown = [&] {
        rig.port.deliver(mobileLines(20) + month13.line() + mobileLines(20, 20));
        storedWhileShown = countRows(db, QStringLiteral("话费表"));
    };
    rig.port.deliver(month13.line() + mobileLines(5, 40));
    QCOMPARE(storedWhileShown, 45);
    QCOMPARE(prompt.texts.size(), 1);
    QVERIFY(prompt.texts.first().startsWith(QStringLiteral("CDR记录的日期或时间无效")));
    QCOMPARE(rig.intake.notices().repeats(prompt.texts.first()), 1);
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 45);
}

void TestIntakeLoop::unframedCharactersAreKeptAndCutAgain()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    Intake rig;
    // The layout says 75 characters; the exchange prints 73.
    rig.intake.setLineLength(75);
    rig.port.deliver(mobileLines(6));
    rig.port.deliver(mobileLines(4, 6));
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 0);
    QCOMPARE(prompt.texts.size(), 1);
    QVERIFY(prompt.texts.first().contains(QStringLiteral("有6段")));
    QCOMPARE(LineJournal(UnframedKeeper::journalPath()).lines().size(), 10);

    // The layout is corrected: the kept characters are cut again and priced.
    rig.intake.setLineLength(LineLength);
    int remaining = -1;
    QCOMPARE(rig.intake.recutUnframed(remaining), 10);
    QCOMPARE(remaining, 0);
    QVERIFY(rig.intake.reportMode());
    QCOMPARE(ReportProcessor(rig.intake, rig.engine, rig.report).compute().stored, 10);
    QCOMPARE(storedTwice(db), QStringList());
}

void TestIntakeLoop::lineSentAgainAfterARestart_data()
{
    // Either way the line is in the data source once.
    QTest::addColumn<bool>("sameDataSource");
    QTest::addRow("same data source: a repeat") << true;
    QTest::addRow("another data source: never seen there") << false;
}

void TestIntakeLoop::lineSentAgainAfterARestart()
{
    QFETCH(bool, sameDataSource);
    std::optional<TestDatabase> db;
    db.emplace(true);
    RecordingPrompt prompt;
    const QString again = mobileCall(1).line();
    {
        Intake rig;
        rig.port.deliver(mobileCall(0).line() + again);
        QCOMPARE(countRows(*db, QStringLiteral("话费表")), 2);
    }
    if (!sameDataSource) {
        db.reset();
        db.emplace(true);
    }
    Intake rig;
    rig.port.deliver(again + mobileCall(2).line());
    QCOMPARE(db->column(
                 QStringLiteral("SELECT COUNT(*) FROM 话费表 WHERE 被叫号='%1'").arg(mobileCall(1).dialled)),
             QStringList{QStringLiteral("1")});
    QCOMPARE(db->column(
                 QStringLiteral("SELECT COUNT(*) FROM 话费表 WHERE 被叫号='%1'").arg(mobileCall(2).dialled)),
             QStringList{QStringLiteral("1")});
    QCOMPARE(LineJournal(RepeatDetector::notesPath()).entries().size(), sameDataSource ? 1 : 0);
    QCOMPARE(prompt.texts, QStringList());
}

QTEST_GUILESS_MAIN(TestIntakeLoop)
#include "tst_intake_loop.moc"
