// Call-table maintenance while calls keep arriving: on this workstation (its
// intake is held and priced afterwards) and from other workstations on the
// same data source (their rows wait for the maintenance to end).

#include "CdrLines.h"
#include "FakeCommControl.h"
#include "RecordingPrompt.h"
#include "TestDatabase.h"
#include "app/CMainFrame.h"
#include "app/CQalorApp.h"
#include "app/CQalorView.h"
#include "db/CDatabase.h"
#include "intake/ReceivedJournal.h"
#include "maintenance/CallTableCommands.h"
#include "maintenance/IntakeHold.h"
#include "receiving/CallIntake.h"
#include "receiving/ReceivedCallsModel.h"
#include "station/AppState.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <thread>

using namespace qalor;
using namespace qalor::test;

namespace {

// The date of the calls CdrCall prints.
const QDate CallDay(2026, 3, 15);

int storedCalls(const TestDatabase& db, const QString& dialled)
{
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表 WHERE 被叫号='%1'").arg(dialled)).toInt();
}

// Two identical rows of the call day: duplicate removal leaves one.
void seedTwins(const TestDatabase& db)
{
    for (int i = 0; i < 2; ++i)
        db.execute(
            QStringLiteral("INSERT INTO 话费表 VALUES ('8009','02087654321','260315','080000',100,0.5,1,"
                           "0.5,0,0,'广州',2)"));
}

// Counts the holds and releases of the call-table maintenance.
class CountingHold : public IntakeHold
{
public:
    CountingHold() { install(this); }
    ~CountingHold() override { install(nullptr); }
    void hold() override { ++holds; }
    void release() override { ++releases; }
    int holds = 0;
    int releases = 0;
};

} // namespace

class TestMaintenanceIntake : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void callReceivedDuringDuplicateRemovalIsStoredOnce();
    void otherWorkstationWaitsForDuplicateRemoval();
    void everyOperationReleasesItsHold_data();
    void everyOperationReleasesItsHold();
    void heldLinesSurviveARestart();

private:
    std::unique_ptr<QTemporaryDir> m_data;
};

void TestMaintenanceIntake::init()
{
    m_data = std::make_unique<QTemporaryDir>();
    qputenv("QALOR_DATA_DIR", QFile::encodeName(m_data->path()));
    AppState::instance() = AppState();
}

void TestMaintenanceIntake::cleanup()
{
    m_data.reset();
}

void TestMaintenanceIntake::callReceivedDuringDuplicateRemovalIsStoredOnce()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    seedTwins(db);
    CQalorApp app;
    auto control = std::make_unique<FakeCommControl>();
    FakeCommControl& port = *control;
    QVERIFY(app.initInstance(std::move(control)));
    CQalorView& view = app.mainFrame()->view();

    // The call arrives after the range was copied to HF and before it is
    // deleted from 话费表: the moment the dialog lets events run.
    const CdrCall call = mobileCall(7);
    int heldMeanwhile = -1;
    CallTableCommands commands;
    QVERIFY(commands.removeDuplicates(CallDay, CallDay, [&](int done, int) {
        if (done == 2) {
            port.deliver(call.line());
            // Read and journalled, not yet handled.
            qint64 from = ReceivedJournal().handledThrough();
            heldMeanwhile = ReceivedJournal().textFrom(from).contains(call.dialled) ? 1 : 0;
        }
    }));
    QCOMPARE(heldMeanwhile, 1); // on disk while the work ran
    QCOMPARE(storedCalls(db, call.dialled), 1);
    QCOMPARE(storedCalls(db, QStringLiteral("02087654321")), 1);
    QCOMPARE(view.receivedCalls().cell(0, 1).trimmed(), call.dialled);
    QCOMPARE(prompt.texts, QStringList{QStringLiteral("成功!\n删除了1条重复记录.")});

    // Intake runs freely again.
    const CdrCall next = mobileCall(8);
    port.deliver(next.line());
    QCOMPARE(storedCalls(db, next.dialled), 1);
}

void TestMaintenanceIntake::otherWorkstationWaitsForDuplicateRemoval()
{
    TestDatabase db;
    RecordingPrompt prompt;
    seedTwins(db);
    const QString connection = db.connectionString();

    std::atomic<bool> stored{false};
    QString failure;
    std::thread other;
    bool finishedEarly = false;
    CallTableCommands commands;
    QVERIFY(commands.removeDuplicates(CallDay, CallDay, [&](int done, int) {
        if (done != 2)
            return;
        // Another workstation stores a call of the same day now.
        other = std::thread([&] {
            try {
                CDatabase own(connection);
                own.execute(
                    QStringLiteral("INSERT INTO 话费表 VALUES ('8010','13900000001','260315','081500',"
                                   "30,0.4,1,0.4,0,0,'移动电话',0)"));
            } catch (const DbError& error) {
                failure = error.message();
            }
            stored = true;
        });
        QElapsedTimer waited;
        waited.start();
        while (!stored && waited.elapsed() < 1000)
            QThread::msleep(20);
        finishedEarly = stored;
    }));
    other.join();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QVERIFY(stored);
    if (TestDatabase::isPostgres())
        QVERIFY(!finishedEarly); // it waited for the lock
    QCOMPARE(storedCalls(db, QStringLiteral("13900000001")), 1);
    QCOMPARE(storedCalls(db, QStringLiteral("02087654321")), 1);
}

void TestMaintenanceIntake::everyOperationReleasesItsHold_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("failing");
    QTest::addColumn<int>("holds");
    for (const char* operation : {"backup", "remove", "restore", "dedupe"}) {
        QTest::addRow("%s", operation) << QString::fromLatin1(operation) << false << 1;
        QTest::addRow("%s failing", operation) << QString::fromLatin1(operation) << true << 1;
    }
    QTest::newRow("remove cancelled") << QStringLiteral("cancel") << false << 0;
}

void TestMaintenanceIntake::everyOperationReleasesItsHold()
{
    QFETCH(QString, operation);
    QFETCH(bool, failing);
    QFETCH(int, holds);
    TestDatabase db;
    RecordingPrompt prompt;
    if (operation == QLatin1String("cancel"))
        prompt.answers = {false};
    seedTwins(db);
    if (failing) {
        db.execute(QStringLiteral("DROP TABLE 话费表备份"));
        db.execute(QStringLiteral("DROP TABLE HF"));
        db.execute(QStringLiteral("DROP TABLE 话费表"));
    }
    CountingHold counting;
    CallTableCommands commands;
    const CallRange range{CallDay, CallDay, std::nullopt};
    bool done = false;
    if (operation == QLatin1String("backup"))
        done = commands.backup(range);
    else if (operation == QLatin1String("restore"))
        done = commands.restore(range);
    else if (operation == QLatin1String("dedupe"))
        done = commands.removeDuplicates(CallDay, CallDay);
    else
        done = commands.remove(range);
    QCOMPARE(done, !failing && holds > 0);
    QCOMPARE(counting.holds, holds);
    QCOMPARE(counting.releases, holds);
}

void TestMaintenanceIntake::heldLinesSurviveARestart()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    const CdrCall first = mobileCall(1), second = mobileCall(2), third = mobileCall(3);
    {
        auto control = std::make_unique<FakeCommControl>();
        FakeCommControl& port = *control;
        CQalorView view(std::move(control));
        view.initialUpdate();
        view.holdIntake();
        port.deliver(first.line() + second.line().left(30));
        QCOMPARE(storedCalls(db, first.dialled), 0);
        // the program ends while intake is held
    }
    {
        auto control = std::make_unique<FakeCommControl>();
        FakeCommControl& port = *control;
        CQalorView view(std::move(control));
        view.initialUpdate();
        QCOMPARE(storedCalls(db, first.dialled), 1);
        // The port was closed while the program was down: what comes now never
        // completes the line the last run had begun to read.
        port.deliver(second.line().mid(30) + third.line());
        QCOMPARE(storedCalls(db, second.dialled), 0);
        QCOMPARE(storedCalls(db, third.dialled), 1);
    }

    // Nothing is priced twice at the next start.
    {
        CQalorView again(std::make_unique<FakeCommControl>());
        again.initialUpdate();
    }
    QCOMPARE(storedCalls(db, first.dialled), 1);
    QCOMPARE(storedCalls(db, third.dialled), 1);
    // The pieces are kept aside, and the user is told so once.
    QCOMPARE(prompt.texts.size(), 1);
    QVERIFY(prompt.texts.first().contains(QStringLiteral("已另行保存")));
}

QTEST_MAIN(TestMaintenanceIntake)
#include "tst_maintenance_intake.moc"
