#include "CdrLines.h"
#include "FakeCommControl.h"
#include "RecordingPrompt.h"
#include "TestDatabase.h"

#include "app/CMainFrame.h"
#include "app/CQalorApp.h"
#include "app/CQalorView.h"
#include "app/CommandGate.h"
#include "db/TableRegistry.h"
#include "gui/DialogRunner.h"
#include "hotel/CCheckInDlg.h"
#include "hotel/CCheckOutDlg.h"
#include "hotel/CHotalBillDlg.h"
#include "hotel/CHotalOptionsDlg.h"
#include "hotel/CHotalRegisterDlg.h"
#include "hotel/CStationClassDlg.h"
#include "hotel/ClassChangeSender.h"
#include "hotel/HotelBill.h"
#include "rating/CCallRater.h"
#include "station/AppState.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
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
    void dialogsStartAtTheExtension();
    void enterShowsTheAmountBeforeSettling();
    void listAddsUpToTheBill();
    void registerShowsDatesTimesAndDeposit();
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
    QCOMPARE(run.db.scalar(QStringLiteral("SELECT 分机号 FROM 宾馆管理表 WHERE 是否已经结帐=0")),
             QStringLiteral("8101"));

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
    QCOMPARE(run.prompt.texts.size(), 2); // and the check-out's question
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
        billFor << d.extensionEdit()->text() + QLatin1Char('|') + d.roomEdit()->text();
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
    // The bill starts with the room of the stay settled (8102 has none; 8105 no stay).
    QCOMPARE(billFor, QStringList({"8101|301", "8102| ", "8105| "}));
    // Each settlement asked with its figures first; an empty 电话号码 asks
    // for one rather than calling it unregistered.
    const QString asked = QStringLiteral("分机号: %1\n房间号: %2\n结帐金额: %3\n押金: %4\n\n确定退房结算吗?");
    QCOMPARE(run.prompt.texts,
             QStringList({asked.arg("8101", "301", "13.75", "200.00"), "请输入分机号!", "请输入分机号!",
                          asked.arg("8102", "", "0.50", "50.50"), "请输入分机号!", "请输入分机号!",
                          "请输入分机号!", "请输入分机号!"}));
    QVERIFY(run.steps.empty());
}

// Both hotel dialogs open with the cursor in 电话号码 and Tab goes on down
// the form; a stay starts when 登记 is pressed, not when the dialog opened.
void TestHotelFrame::dialogsStartAtTheExtension()
{
    Running run;
    CMainFrame& frame = run.start();
    QDateTime opened;
    QStringList focus;
    const auto walk = [&](QDialog& d, QLineEdit* extension) {
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QCOMPARE(QApplication::focusWidget(), extension);
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* now = QApplication::focusWidget();
            if (qobject_cast<QComboBox*>(now) || qobject_cast<QComboBox*>(now->parentWidget()))
                focus << QStringLiteral("分机级别");
            else
                focus << (now->accessibleName().isEmpty()
                              ? QString::fromLatin1(now->metaObject()->className())
                              : now->accessibleName());
        }
    };
    run.steps.push_back([&](QDialog& dialog) {
        auto& d = dynamic_cast<CCheckOutDlg&>(dialog);
        walk(d, d.extensionEdit());
        d.reject();
        return d.result();
    });
    run.steps.push_back([&](QDialog& dialog) {
        auto& d = dynamic_cast<CCheckInDlg&>(dialog);
        walk(d, d.extensionEdit());
        opened = QDateTime(d.dateEdit()->date(), d.timeEdit()->time());
        // The clock moves on while the receptionist types.
        while (QDateTime::currentDateTime() < opened.addSecs(2))
            QTest::qWait(50);
        d.extensionEdit()->setFocus();
        QTest::keyClicks(d.extensionEdit(), QStringLiteral("8003"));
        QTest::keyClick(d.extensionEdit(), Qt::Key_Return); // 登记/退出
        return d.result();
    });
    frame.runCommand(Cmd::CheckOut);
    frame.runCommand(Cmd::CheckIn);
    QVERIFY(run.steps.empty());
    QCOMPARE(focus, (QStringList{"房间号", "QPushButton", "QPushButton", "分机级别", "QLineEdit", "房间号"}));
    const QDateTime registered = QDateTime::fromString(
        QStringLiteral("20") + run.db.scalar(QStringLiteral("SELECT 入住日期 || 入住时间 FROM 宾馆管理表")),
        QStringLiteral("yyyyMMddHHmmss"));
    QVERIFY2(registered >= opened.addSecs(2), qPrintable(registered.toString()));
}

// Enter in 退房结算 presses 确定/退出: the room, amount due and deposit are
// asked about before anything is settled.
void TestHotelFrame::enterShowsTheAmountBeforeSettling()
{
    Running run;
    run.db.execute(
        QStringLiteral("INSERT INTO 宾馆管理表 (分机号, 房间号, 结帐金额, 服务费比例, 押金, 入住日期, "
                       "入住时间, 是否已经结帐) VALUES ('8012', '305', 4.5, 0.15, 50, '260314', "
                       "'120000', 0)"));
    CMainFrame& frame = run.start();
    QString open;
    bool activated = false;
    bool stayed = false;
    run.steps.push_back([&](QDialog& dialog) {
        auto& d = dynamic_cast<CCheckOutDlg&>(dialog);
        d.show();
        activated = QTest::qWaitForWindowActive(&d);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("8012"));
        run.prompt.answers << false;
        QTest::keyClick(d.extensionEdit(), Qt::Key_Return);
        stayed = d.isVisible();
        open = run.db.scalar(QStringLiteral("SELECT 是否已经结帐 FROM 宾馆管理表"));
        QTest::keyClick(d.extensionEdit(), Qt::Key_Return);
        return d.result();
    });
    frame.runCommand(Cmd::CheckOut);
    QVERIFY(activated);
    QVERIFY(stayed);
    QCOMPARE(open, QStringLiteral("0"));
    // 4.50 + 4.50 x 0.15 = 4.50 + 0.68: the fee is reckoned in cents, not 5.175 -> 5.17.
    const QString asked =
        QStringLiteral("分机号: 8012\n房间号: 305\n结帐金额: 5.18\n押金: 50.00\n\n确定退房结算吗?");
    QCOMPARE(run.prompt.texts, (QStringList{asked, asked}));
    QCOMPARE(run.db.scalar(QStringLiteral("SELECT 是否已经结帐 FROM 宾馆管理表")), QStringLiteral("1"));
}

// Calls added to a stay are its bill: the list adds up to the simple bill's
// 电话费 to the cent, for calls that began long before the check-in too.
void TestHotelFrame::listAddsUpToTheBill()
{
    Running run(true);
    CMainFrame& frame = run.start();
    frame.classChange().setPauseScale(0.001);
    run.port->deliver(mobileCall(0, QStringLiteral("8003")).line()); // no stay yet
    run.steps.push_back([](QDialog& dialog) {
        auto& d = dynamic_cast<CCheckInDlg&>(dialog);
        d.extensionEdit()->setText(QStringLiteral("8003"));
        d.roomEdit()->setText(QStringLiteral("301"));
        d.guestEdit()->setText(QStringLiteral("张三"));
        d.ratioEdit()->setText(QStringLiteral("0.15"));
        d.registerAndClose();
        return d.result();
    });
    frame.runCommand(Cmd::CheckIn);
    waitIdle(frame); // calls wait while the exchange is being told
    for (int i = 1; i <= 3; ++i)
        run.port->deliver(mobileCall(i, QStringLiteral("8003")).line());
    run.steps.push_back(checkOut(QStringLiteral("8003")));
    frame.runCommand(Cmd::CheckOut);
    waitIdle(frame);
    run.port->deliver(mobileCall(4, QStringLiteral("8003")).line()); // settled already
    QCOMPARE(storedCalls(run.db), 5);

    HotelStay stay;
    QVERIFY(HotelBill::findSettledStay(QStringLiteral("8003"), stay));
    QList<BilledCall> calls;
    QVERIFY(HotelBill::loadCalls(stay, calls));
    QStringList numbers;
    for (const BilledCall& call : calls)
        numbers << call.called;
    QCOMPARE(numbers, (QStringList{mobileCall(1).dialled, mobileCall(2).dialled, mobileCall(3).dialled}));
    const PageGeometry page{4760, 6814, 85};
    const QString closing =
        HotelBill::itemisedList(stay, calls, QStringLiteral(" "), page).pages.last().items.last().text;
    QVERIFY2(closing.startsWith(QStringLiteral("         小计金额:2.40 +")), qPrintable(closing));
    QStringList billed;
    const ReportDocument bill = HotelBill::simpleBill(stay, QStringLiteral(" "), stay.extension, stay.room,
                                                      QDate::currentDate(), page);
    for (const PageItem& item : bill.pages.first().items)
        if (item.text.contains(QStringLiteral("电话费:")))
            billed << item.text.simplified();
    QCOMPARE(billed, QStringList(3, QStringLiteral("电话费: 2.40 服务费: 0.36")));
    // 出结帐单 opened for the stay starts with its guest and room.
    const CHotalBillDlg billDialog(nullptr, QStringLiteral("8003"));
    QCOMPARE(billDialog.guestEdit()->text() + QLatin1Char('|') + billDialog.roomEdit()->text(),
             QStringLiteral("张三|301"));
}

void TestHotelFrame::registerShowsDatesTimesAndDeposit()
{
    TestDatabase db;
    RecordingPrompt prompt;
    db.execute(
        QStringLiteral("INSERT INTO 宾馆管理表 (分机号, 房间号, 入住日期, 入住时间, 退房日期, 退房时间, "
                       "结帐金额, 是否已经结帐, 服务费比例, 押金, 分机级别描述) VALUES ('8009', '1203', "
                       "'261208', '014007', '', '', 11.01, 0, 0.15, 300, '3 国际长途')"));
    CHotalRegisterDlg dialog;
    dialog.QDialog::show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTableView& grid = dialog.grid();
    const TableDef& table = Tables::hotel();
    QStringList shown;
    for (const char* column : {"入住日期", "入住时间", "退房日期", "押金"}) {
        const QModelIndex index = grid.model()->index(0, table.indexOf(QString::fromUtf8(column)));
        shown << static_cast<QStyledItemDelegate*>(grid.itemDelegateForIndex(index))
                     ->displayText(index.data(), QLocale());
        if (QString::fromUtf8(column) == QStringLiteral("押金"))
            QVERIFY2(grid.viewport()->rect().contains(grid.visualRect(index)),
                     qPrintable(QStringLiteral("%1 wide, 押金 at %2")
                                    .arg(grid.viewport()->width())
                                    .arg(grid.visualRect(index).right())));
    }
    QCOMPARE(shown, (QStringList{"2026-12-08", "01:40:07", "", "300.00"}));
    QCOMPARE(prompt.texts, QStringList());
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestHotelFrame test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_hotel_frame.moc"
