// Two workstations on one PostgreSQL database, each on its own CDR line fed by
// its own exchange simulator, while one of them removes duplicates from the
// call table again and again: every call is stored exactly once.
//
// Workstation B is the `qalor` program itself. Workstation A is this test
// process running the same application object, so that its menu command can
// be driven (a scripted dialog runner fills the duplicate-removal dialog).

#include "OpenDevice.h"
#include "RecordingPrompt.h"
#include "Sandbox.h"
#include "TestDatabase.h"

#include "../../tools/pbxsim/CallGenerator.h"
#include "app/AdminSession.h"
#include "app/CMainFrame.h"
#include "app/CQalorApp.h"
#include "app/CQalorView.h"
#include "app/CommandGate.h"
#include "db/DefaultRows.h"
#include "gui/DialogRunner.h"
#include "receiving/ReceivedCallsModel.h"
#include "station/AppState.h"

#include <QDateEdit>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <tuple>

using namespace qalor;
using namespace qalor::test;

namespace {

constexpr int CallsPerWorkstation = 2000;
// Fast enough to stay well inside the time limit, slow enough that the
// calls are still arriving while the duplicate removals run.
constexpr int SimulatedBaud = 115200;

// A linked pair of pseudo-terminals: the exchange's end and the workstation's.
struct Line
{
    QProcess socat;
    QString pbx;
    QString workstation;

    bool start(const QString& name)
    {
        pbx = sandbox().filePath(name + QStringLiteral("-pbx"));
        workstation = sandbox().filePath(name + QStringLiteral("-ws"));
        socat.start(QStringLiteral("socat"), {QStringLiteral("pty,raw,echo=0,link=") + pbx,
                                              QStringLiteral("pty,raw,echo=0,link=") + workstation});
        if (!socat.waitForStarted())
            return false;
        QElapsedTimer waited;
        waited.start();
        while (!(QFile::exists(pbx) && QFile::exists(workstation)) && waited.elapsed() < 10000)
            QTest::qWait(20);
        return QFile::exists(pbx) && QFile::exists(workstation);
    }
    ~Line() { stop(socat); }

    static void stop(QProcess& process)
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
};

// Writes the calls an exchange reports to a file for the simulator and
// returns how each stored call must read (caller|called|date|time); a call
// that starts at 00:00:00 reads as one without a start time and is not billed.
QStringList writeCalls(const QString& file, quint32 seed)
{
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return {};
    pbxsim::CallGenerator generator(seed, QDate(2026, 3, 2));
    QStringList expected;
    for (int i = 0; i < CallsPerWorkstation; ++i) {
        const pbxsim::GeneratedCall call = generator.next(QDateTime());
        out.write(pbxsim::formatCdrLine(call, defaultCdrLayout()));
        if (call.start.time() != QTime(0, 0))
            expected << call.extension + QLatin1Char('|') + call.number + QLatin1Char('|') +
                            call.start.toString(QStringLiteral("yyMMdd|HHmmss"));
    }
    return expected;
}

int storedCalls(const TestDatabase& db)
{
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")).toInt();
}

} // namespace

class TestTwoWorkstations : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void everyCallStoredOnceWhileDuplicatesAreRemoved();
};

void TestTwoWorkstations::initTestCase()
{
    if (!TestDatabase::isPostgres())
        QSKIP("Two workstations share a database server: this test runs in the PostgreSQL pass of "
              "./test.sh (QALOR_TEST_BACKEND=postgres), not on the embedded SQLite file.");
    if (QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty())
        QSKIP("socat is not installed");
}

void TestTwoWorkstations::everyCallStoredOnceWhileDuplicatesAreRemoved()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    Line lineA, lineB;
    QVERIFY(lineA.start(QStringLiteral("a")));
    QVERIFY(lineB.start(QStringLiteral("b")));
    const QString callsA = sandbox().filePath(QStringLiteral("calls-a.txt"));
    const QString callsB = sandbox().filePath(QStringLiteral("calls-b.txt"));
    QStringList expected = writeCalls(callsA, 2026) + writeCalls(callsB, 4711);
    QCOMPARE(expected.size() > 2 * CallsPerWorkstation - 20, true);

    // Workstation B: the program, with its own settings and journals.
    const QString homeB = sandbox().filePath(QStringLiteral("b"));
    {
        QSettings settings(homeB + QStringLiteral("/config/Local AppWizard-Generated Applications/qalor.conf"),
                           QSettings::IniFormat);
        settings.setValue(QStringLiteral("SerialPorts/COM1"), lineB.workstation);
    }
    QProcess workstationB;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QALOR_ODBC"), db.connectionString());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), homeB + QStringLiteral("/config"));
    environment.insert(QStringLiteral("QALOR_DATA_DIR"), homeB + QStringLiteral("/data"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    workstationB.setProcessEnvironment(environment);
    workstationB.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    workstationB.start(QStringLiteral(QALOR_BINARY), {});
    QVERIFY(workstationB.waitForStarted());

    // Workstation A: this process.
    QSettings().setValue(QStringLiteral("SerialPorts/COM1"), lineA.workstation);
    CQalorApp appA;
    QVERIFY(appA.initInstance());
    CMainFrame& frameA = *appA.mainFrame();
    QVERIFY(frameA.view().cdrPort().portOpen());
    QVERIFY(frameA.session().confirmLogin(QStringLiteral("Headkeeper"), QStringLiteral("secret")));
    QTRY_VERIFY_WITH_TIMEOUT(hasOpen(workstationB.processId(), lineB.workstation), 20000);
    prompt.texts.clear();

    int removals = 0;
    DialogRunner::install([&](QDialog& dialog) {
        for (QDateEdit* picker : dialog.findChildren<QDateEdit*>())
            picker->setDate(picker->accessibleName() == QStringLiteral("起始日期") ? QDate(2026, 3, 1)
                                                                                  : QDate(2026, 3, 31));
        for (QPushButton* button : dialog.findChildren<QPushButton*>())
            if (button->text() == QStringLiteral("清除重复记录"))
                button->click(), ++removals;
        return int(QDialog::Rejected);
    });

    QProcess simulatorA, simulatorB;
    for (auto [simulator, line, file] : {std::tuple{&simulatorA, &lineA, callsA}, {&simulatorB, &lineB, callsB}}) {
        simulator->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        simulator->start(QStringLiteral(QALOR_PBXSIM),
                         {QStringLiteral("--device"), line->pbx, QStringLiteral("--file"), file,
                          QStringLiteral("--baud"), QString::number(SimulatedBaud)});
        QVERIFY(simulator->waitForStarted());
    }

    // While both exchanges still send, workstation A removes duplicates
    // over the whole month every second or so.
    QElapsedTimer clock;
    clock.start();
    int whileSending = 0;
    while (simulatorA.state() != QProcess::NotRunning || simulatorB.state() != QProcess::NotRunning) {
        QVERIFY2(clock.elapsed() < 90000, "the simulators did not finish within 90 s");
        QTest::qWait(800);
        if (simulatorA.state() == QProcess::NotRunning || simulatorB.state() == QProcess::NotRunning)
            continue;
        const int before = storedCalls(db);
        frameA.runCommand(Cmd::RemoveDuplicates);
        if (before > 0 && before < expected.size())
            ++whileSending;
    }
    DialogRunner::install({});
    QCOMPARE(simulatorA.exitCode(), 0);
    QCOMPARE(simulatorB.exitCode(), 0);
    QVERIFY2(whileSending >= 3, qPrintable(QStringLiteral("%1 removals while calls arrived").arg(whileSending)));

    QTRY_COMPARE_WITH_TIMEOUT(storedCalls(db), int(expected.size()), 30000);
    QStringList stored =
        db.column(QStringLiteral("SELECT 主叫号 || '|' || 被叫号 || '|' || 日期 || '|' || 时间 FROM 话费表"));
    stored.sort();
    expected.sort();
    QCOMPARE(stored, expected);
    QVERIFY(workstationB.state() == QProcess::Running);
    QCOMPARE(frameA.view().receivedCalls().rowCount() > 0, true);
    QCOMPARE(prompt.texts, QStringList(removals, QStringLiteral("成功!\n删除了0条重复记录.")));
    qInfo("%d calls from two workstations stored once each; %d duplicate removals, %d of them while calls "
          "arrived; %.1f s",
          int(expected.size()), removals, whileSending, clock.elapsed() / 1000.0);

    Line::stop(workstationB);
}

int main(int argc, char** argv)
{
    return runInSandbox<TestTwoWorkstations>(argc, argv);
}

#include "tst_two_workstations.moc"
