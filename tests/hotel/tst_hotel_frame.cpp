#include "CdrLines.h"
#include "FakeCommControl.h"
#include "RecordingPrompt.h"
#include "TestDatabase.h"

#include "app/AppState.h"
#include "app/CMainFrame.h"
#include "app/CQalorApp.h"
#include "app/CQalorView.h"
#include "app/CommandGate.h"
#include "gui/DialogRunner.h"
#include "hotel/CCheckInDlg.h"
#include "hotel/CCheckOutDlg.h"
#include "hotel/CHotalBillDlg.h"
#include "hotel/CHotalOptionsDlg.h"
#include "hotel/CStationClassDlg.h"
#include "hotel/ClassChangeSender.h"
#include "rating/CCallRater.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <deque>

using namespace qalor;
using namespace qalor::test;

namespace {

using Step = std::function<int(QDialog&)>;

// The workstation with a fake CDR port, an administrator logged in, and
// dialogs filled by the test.
struct Running
{
    explicit Running(bool sample = false) : db(sample)
    {
        DialogRunner::install([this](QDialog& dialog) {
            if (steps.empty())
                return int(QDialog::Rejected);
            Step step = std::move(steps.front());
            steps.pop_front();
            return step(dialog);
        });
    }
    ~Running() { DialogRunner::install({}); }

    CMainFrame& start()
    {
        auto control = std::make_unique<FakeCommControl>();
        port = control.get();
        app.initInstance(std::move(control));
        AppState::instance().loggedIn = 1;
        return *app.mainFrame();
    }

    TestDatabase db;
    RecordingPrompt prompt;
    CQalorApp app;
    FakeCommControl* port = nullptr;
    std::deque<Step> steps;
};

Step options(const QString& user, const QString& lowestClass = QStringLiteral("7"))
{
    return [=](QDialog& dialog) {
        auto& d = dynamic_cast<CHotalOptionsDlg&>(dialog);
        HotelSettingsForm form = d.form();
        form.route = 0;
        form.userName = user;
        form.password = QStringLiteral("pw");
        form.database = QStringLiteral("A");
        form.internationalClass = form.domesticClass = form.localClass = QStringLiteral("12");
        form.lowestClass = lowestClass;
        form.modemPort = QStringLiteral("1");
        d.setForm(form);
        d.accept();
        if (d.isVisible() || d.result() != QDialog::Accepted)
            d.reject();
        return d.result();
    };
}

Step checkIn(const QString& extension)
{
    return [=](QDialog& dialog) {
        auto& d = dynamic_cast<CCheckInDlg&>(dialog);
        d.extensionEdit()->setText(extension);
        d.levelBox()->setCurrentIndex(2); // 2 国内长途
        d.registerAndClose();
        return d.result();
    };
}

Step checkOut(const QString& extension)
{
    return [=](QDialog& dialog) {
        auto& d = dynamic_cast<CCheckOutDlg&>(dialog);
        d.extensionEdit()->setText(extension);
        d.settleAndClose();
        return d.result();
    };
}

Step manualChange(const QString& extension)
{
    return [=](QDialog& dialog) {
        auto& d = dynamic_cast<CStationClassDlg&>(dialog);
        d.extensionEdit()->setText(extension);
        d.confirm();
        return d.result();
    };
}

void waitIdle(CMainFrame& frame)
{
    QTRY_VERIFY_WITH_TIMEOUT(!frame.classChange().busy(), 20000);
}

int storedCalls(const TestDatabase& db)
{
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")).toInt();
}

} // namespace

class TestHotelFrame : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void newSettingsUsedByTheNextChange();
    void intakeHeldWhileTheDialogueRuns();
    void closingAsksWhileAChangeRuns();
    void depositDowngradeOncePerStay();
    void checkOutNamesTheRoomAndHandsItsBill();
    void modemProgressMovesWithTheWait();

private:
    QTemporaryDir m_data;
};

void TestHotelFrame::initTestCase()
{
    QVERIFY(m_data.isValid());
    qputenv("QALOR_DATA_DIR", QFile::encodeName(m_data.path()));
}

void TestHotelFrame::init()
{
    AppState::instance() = AppState();
}

void TestHotelFrame::newSettingsUsedByTheNextChange()
{
    Running run;
    CMainFrame& frame = run.start();
    frame.classChange().setPauseScale(0.001);
    run.port->written.clear();

    run.steps.push_back(options(QStringLiteral("first")));
    run.steps.push_back(checkIn(QStringLiteral("8101")));
    frame.runCommand(Cmd::HotelOptions);
    frame.runCommand(Cmd::CheckIn);
    waitIdle(frame);
    QVERIFY2(run.port->written.startsWith(QStringLiteral("\x03"
                                                         "first\r")),
             qPrintable(run.port->written));
    QVERIFY(run.port->written.contains(QStringLiteral("m 8101\r\r\r12\r")));
    // The engine took up the new stay.
    QCOMPARE(frame.view().engine().hotelRooms().rooms().size(), 1);

    // Out of range: refused, nothing stored, the old settings stay.
    run.steps.push_back(options(QStringLiteral("ignored"), QStringLiteral("226")));
    frame.runCommand(Cmd::HotelOptions);
    QCOMPARE(run.prompt.texts, QStringList{QStringLiteral("“请填入一个在0和225之间的整数。”")});
    QCOMPARE(AppState::instance().hotel.userName, QStringLiteral("first"));

    run.port->written.clear();
    run.steps.push_back(options(QStringLiteral("second"), QStringLiteral("3")));
    run.steps.push_back(checkOut(QStringLiteral("8101")));
    frame.runCommand(Cmd::HotelOptions);
    frame.runCommand(Cmd::CheckOut);
    waitIdle(frame);
    QVERIFY2(run.port->written.startsWith(QStringLiteral("\x03"
                                                         "second\r")),
             qPrintable(run.port->written));
    QVERIFY(run.port->written.contains(QStringLiteral("m 8101\r\r\r3\r")));
    QCOMPARE(run.db.column(QStringLiteral("SELECT 用户名 FROM 宾馆分机升降级设置表")), QStringList{"second"});
    QCOMPARE(run.prompt.texts.size(), 1);
}

void TestHotelFrame::intakeHeldWhileTheDialogueRuns()
{
    Running run(true);
    CMainFrame& frame = run.start();
    frame.classChange().setPauseScale(0.1);
    QSignalSpy started(&frame.classChange(), &ClassChangeSender::changeStarted);
    // The progress window shows only while a change runs.
    auto* progress = frame.findChild<QProgressDialog*>(QStringLiteral("ClassChangeProgress"));
    QVERIFY(progress);
    // (A progress dialog shows itself some seconds after it was made.)
    QTest::qWait(4500);
    QVERIFY(!progress->isVisible());

    run.steps.push_back(manualChange(QStringLiteral("8001")));
    frame.runCommand(Cmd::StationClass);
    QTRY_COMPARE(started.size(), 1);
    QVERIFY(progress->isVisible());
    QVERIFY(!progress->labelText().isEmpty());
    // A call arriving mid-dialogue is kept, not priced, and the window keeps
    // working (this timer fires).
    run.port->deliver(mobileCall(0).line());
    bool timerFired = false;
    QTimer::singleShot(20, [&] { timerFired = true; });
    QTRY_VERIFY(timerFired);
    QVERIFY(frame.classChange().busy());
    QCOMPARE(storedCalls(run.db), 0);
    waitIdle(frame);
    QTRY_VERIFY(!progress->isVisible());
    QCOMPARE(storedCalls(run.db), 1);
    QVERIFY(run.port->written.endsWith(QStringLiteral("exit\rsave\rexit\rexit\r")));
    QCOMPARE(run.db.column(QStringLiteral("SELECT 分机号 FROM 分机级别更改记录表")), QStringList{"8001"});
}

void TestHotelFrame::closingAsksWhileAChangeRuns()
{
    Running run;
    CMainFrame& frame = run.start();
    run.steps.push_back(manualChange(QStringLiteral("8001")));
    frame.runCommand(Cmd::StationClass);
    QVERIFY(frame.classChange().busy());

    run.prompt.answers << false;
    QVERIFY(!frame.close());
    QVERIFY(frame.isVisible());
    QCOMPARE(run.prompt.texts.size(), 1);
    QVERIFY(frame.classChange().busy());

    run.prompt.answers << true;
    QVERIFY(frame.close());
    QCOMPARE(run.prompt.texts.size(), 2);
}

void TestHotelFrame::depositDowngradeOncePerStay()
{
    Running run(true);
    // Each mobile call costs 0.80: two reach 8003's deposit of 1.60 exactly;
    // 8004 paid no deposit and is never lowered.
    run.db.execute(QStringLiteral("DELETE FROM 宾馆分机升降级设置表"));
    run.db.execute(
        QStringLiteral("INSERT INTO 宾馆分机升降级设置表 (升降级方式, 是否自动升降级, 用户名, 口令, 数据库, "
                       "最低分机级别) VALUES (0, 1, 'pbx', 'pw', 'A', 5)"));
    for (const char* row : {"'8003', 1.6", "'8004', 0"})
        run.db.execute(
            QStringLiteral(
                "INSERT INTO 宾馆管理表 (分机号, 房间号, 入住日期, 入住时间, 结帐金额, "
                "是否已经结帐, 服务费比例, 押金) VALUES (%1, '301', '260314', '120000', 0, 0, 0, %2)")
                .arg(QString::fromLatin1(row).section(QLatin1Char(','), 0, 0),
                     QString::fromLatin1(row).section(QLatin1Char(','), 1)));
    CMainFrame& frame = run.start();
    frame.classChange().setPauseScale(0.001);
    auto* progress = frame.findChild<QProgressDialog*>(QStringLiteral("ClassChangeProgress"));
    QStringList labels;
    connect(&frame.classChange(), &ClassChangeSender::sending, progress,
            [&] { labels << progress->labelText().section(QLatin1Char('\n'), 0, 0); });
    run.port->written.clear();
    for (int i = 0; i < 4; ++i) {
        run.port->deliver(mobileCall(i, QStringLiteral("8003")).line());
        run.port->deliver(mobileCall(10 + i, QStringLiteral("8004")).line());
    }
    waitIdle(frame);
    QCOMPARE(storedCalls(run.db), 8);
    QCOMPARE(run.port->written.count(QStringLiteral("m 8003\r\r\r5\r")), 1);
    QVERIFY(!run.port->written.contains(QStringLiteral("8004")));
    QCOMPARE(run.prompt.texts, QStringList());
    // The window that pops up says whose deposit ran out.
    labels.removeDuplicates();
    QCOMPARE(labels, QStringList{QStringLiteral("房间 301（分机 8003）的押金已用完，正在降为最低级别……")});
}

void TestHotelFrame::modemProgressMovesWithTheWait()
{
    Running run;
    CMainFrame& frame = run.start();
    AppState::instance().hotel.viaModem = 1;
    AppState::instance().hotel.modemPort = 2;
    frame.classChange().setModemFactory([] { return std::make_unique<FakeCommControl>(); });
    // One dial string, then 4 s + 2 × 6 s of waiting: 1.6 s here.
    frame.classChange().setPauseScale(0.1);
    auto* progress = frame.findChild<QProgressDialog*>(QStringLiteral("ClassChangeProgress"));
    auto* bar = progress->findChild<QProgressBar*>();
    QVERIFY(bar);
    QList<int> values;
    QStringList lefts;
    connect(bar, &QProgressBar::valueChanged, progress, [&](int value) {
        if (!progress->isVisible())
            return;
        values << value;
        lefts << progress->labelText().section(QLatin1Char('\n'), 1);
    });
    run.steps.push_back(manualChange(QStringLiteral("8001")));
    frame.runCommand(Cmd::StationClass);
    waitIdle(frame);
    QTRY_VERIFY(!progress->isVisible());
    QCOMPARE(run.prompt.texts, QStringList());
    // Between the dial string and the end the bar moved on its own, and the
    // time left counted down from the whole wait.
    QVERIFY2(std::any_of(values.begin(), values.end(), [](int v) { return v > 100 && v < 1500; }),
             qPrintable(QString::number(values.size())));
    QVERIFY(std::is_sorted(values.begin(), values.end()));
    QCOMPARE(lefts.first(), QStringLiteral("剩余约 2 秒"));
    QVERIFY(lefts.contains(QStringLiteral("剩余约 1 秒")));
}

void TestHotelFrame::checkOutNamesTheRoomAndHandsItsBill()
{
    Running run;
    for (const char* row : {"'8101', '301', 12.5, 0.1, 200", "'8102', '', 0.5, 0, 50.5"})
        run.db.execute(QStringLiteral("INSERT INTO 宾馆管理表 (分机号, 房间号, 结帐金额, 服务费比例, 押金, "
                                      "入住日期, 入住时间, 是否已经结帐) VALUES (%1, '260314', '120000', 0)")
                           .arg(QLatin1String(row)));
    CMainFrame& frame = run.start();
    QStringList billFor;
    QStringList shown;
    // The bill dialog as "打印帐单" opens it: note its extension, then ask
    // for a print with the field emptied.
    const Step bill = [&](QDialog& dialog) {
        auto& d = dynamic_cast<CHotalBillDlg&>(dialog);
        billFor << d.extensionEdit()->text();
        d.extensionEdit()->clear();
        d.printSimpleBill();
        d.printList();
        return int(QDialog::Rejected);
    };
    run.steps.push_back([&](QDialog& dialog) {
        auto& d = dynamic_cast<CCheckOutDlg&>(dialog);
        QPushButton* print = nullptr;
        for (auto* button : d.findChildren<QPushButton*>())
            if (button->text() == QStringLiteral("打印帐单"))
                print = button;
        for (const char* extension : {"8101", "8102"}) {
            d.extensionEdit()->setText(QLatin1String(extension));
            d.settleNext();
            shown << d.extensionEdit()->text() + QLatin1Char('|') + d.settledLabel()->text() +
                         QLatin1Char('|') + d.amountLabel()->text() + QLatin1Char('|') +
                         d.depositLabel()->text();
            run.steps.push_front(bill);
            print->click();
        }
        // Typed but not yet settled: that is the one billed.
        d.extensionEdit()->setText(QStringLiteral("8105"));
        run.steps.push_front(bill);
        print->click();
        d.reject();
        return d.result();
    });
    frame.runCommand(Cmd::CheckOut);
    QCOMPARE(shown, QStringList({QStringLiteral("|8101（房间号 301）|13.75|200.00"),
                                 QStringLiteral("|8102|0.50|50.50")}));
    QCOMPARE(billFor, QStringList({"8101", "8102", "8105"}));
    // An empty 电话号码 asks for one rather than calling it unregistered.
    QCOMPARE(run.prompt.texts, QStringList(6, QStringLiteral("请输入分机号!")));
    QVERIFY(run.steps.empty());
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestHotelFrame test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_hotel_frame.moc"
