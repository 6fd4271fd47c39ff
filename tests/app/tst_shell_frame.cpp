// The workstation as a whole: start-up, the menu and its rights check, login
// through the dialog, the logout timer, the close request and the port dialog.
// Dialogs are run by a scripted runner instead of a person.

#include "CdrLines.h"
#include "FakeCommControl.h"
#include "RecordingPrompt.h"
#include "TestDatabase.h"
#include "access/PasswordHash.h"
#include "app/AdminSession.h"
#include "app/AlertListDialog.h"
#include "app/CMainFrame.h"
#include "app/CQalorApp.h"
#include "app/CQalorView.h"
#include "app/CommandGate.h"
#include "app/LoginDialog.h"
#include "app/PortDialog.h"
#include "app/UnframedDialog.h"
#include "db/CDatabase.h"
#include "gui/DialogRunner.h"
#include "gui/GridDialog.h"
#include "receiving/CallIntake.h"
#include "receiving/ReceivedCallsModel.h"
#include "receiving/ReportLines.h"
#include "receiving/UnframedJoin.h"
#include "receiving/UnframedKeeper.h"
#include "serial/StreamBreak.h"
#include "station/AppState.h"
#include "tst_shell_support.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <deque>

using namespace qalor;
using qalor::test::auditRows;
using qalor::test::FakeCommControl;
using qalor::test::mobileCall;
using qalor::test::RecordingPrompt;
using qalor::test::TestDatabase;

namespace {

const QString kUpper = QStringLiteral("LOGIN FIRST PLEASE!");
const QString kMixed = QStringLiteral("Login First Please!");
const QString kComma = QStringLiteral("Login First,Please!");
const QString kAdminFirst = QStringLiteral("LOGIN FIRST,PLEASE!\n请先以管理员身份登录系统");
const QString kNotHeadkeeper = QStringLiteral("You Are not the Headkeeper!\n Login As a Headkeeper");
const QString kNoRightToExit =
    QStringLiteral("You have no right to exit this program!\n login first,please!\n你的操作已经被记录在案!");

// Runs each dialog with the next scripted step (or cancels it) and keeps the
// class names of the dialogs that ran.
struct ScriptedDialogs
{
    using Step = std::function<int(QDialog&)>;

    ScriptedDialogs()
    {
        DialogRunner::install([this](QDialog& dialog) {
            ran << QString::fromLatin1(dialog.metaObject()->className()).remove(QStringLiteral("qalor::"));
            if (steps.empty())
                return int(QDialog::Rejected);
            Step step = std::move(steps.front());
            steps.pop_front();
            return step(dialog);
        });
    }
    ~ScriptedDialogs() { DialogRunner::install({}); }

    std::deque<Step> steps;
    QStringList ran;
};

QPushButton* button(QDialog& dialog, const QString& caption)
{
    for (QPushButton* candidate : dialog.findChildren<QPushButton*>())
        if (candidate->text() == caption)
            return candidate;
    return nullptr;
}

// Fills the login dialog and presses 确认.
ScriptedDialogs::Step typeLogin(const QString& name, const QString& password)
{
    return [name, password](QDialog& dialog) {
        auto& login = dynamic_cast<LoginDialog&>(dialog);
        login.nameEdit()->setText(name);
        login.passwordEdit()->setText(password);
        button(dialog, QStringLiteral("确认"))->click();
        return dialog.result();
    };
}

// Types into the port dialog and presses 确认; when the dialog refuses the
// entry it is still open and is left with 放弃.
ScriptedDialogs::Step typePort(const QString& text, bool* stayedOpen = nullptr)
{
    return [text, stayedOpen](QDialog& dialog) {
        auto& ports = dynamic_cast<PortDialog&>(dialog);
        ports.portEdit()->setText(text);
        dialog.setResult(QDialog::Rejected);
        button(dialog, QStringLiteral("确认"))->click();
        const bool accepted = dialog.result() == QDialog::Accepted;
        if (stayedOpen)
            *stayedOpen = !accepted;
        if (!accepted)
            button(dialog, QStringLiteral("放弃"))->click();
        return dialog.result();
    };
}

ScriptedDialogs::Step pressButton(const QString& caption)
{
    return [caption](QDialog& dialog) {
        button(dialog, caption)->click();
        return dialog.result();
    };
}

QAction* menuAction(CMainFrame& frame, const QString& caption)
{
    for (QAction* top : frame.menuBar()->actions()) {
        if (top->text() == caption)
            return top;
        if (QMenu* menu = top->menu())
            for (QAction* action : menu->actions())
                if (action->text() == caption)
                    return action;
    }
    return nullptr;
}

QLabel* statusPane(CMainFrame& frame, const QString& name)
{
    for (QLabel* label : frame.statusBar()->findChildren<QLabel*>())
        if (label->objectName() == name)
            return label;
    return nullptr;
}

bool indicatorShown(CMainFrame& frame, const QString& text)
{
    for (QLabel* label : frame.view().findChildren<QLabel*>())
        if (label->accessibleName() == text)
            return !label->isHidden();
    return false;
}

} // namespace

class TestShellFrame : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void startUp();
    void startUpWithEmptyPortTable();
    void reportLinesLeftFromLastRunWaitInTheStatusBar();
    void startUpWithUnreachableSource();
    void menuCaptionsAndAvailability();
    void gateRefusals_data();
    void gateRefusals();
    void headkeeperOnlyPasswordTable();
    void loginLapsesAfterInterval();
    void closeRequest();
    void portDialogRefusesBadEntries_data();
    void portDialogRefusesBadEntries();
    void portNumberWriteAndSwitch();
    void portOpenCloseAndLayoutReload();
    void portCommandsKeepAPartialLine();
    void viewToggles();
    void maintenanceCommands();
    void unframedPiecesShownAndDiscarded();
    void cutLineJoinedOnRequest();
    void alertsCountedInTheStatusBarAndAcknowledged();

private:
    struct Running
    {
        explicit Running(bool withDatabase = true, bool sample = false)
            : db(withDatabase ? new TestDatabase(sample) : nullptr)
        {
        }
        std::unique_ptr<TestDatabase> db;
        RecordingPrompt prompt;
        ScriptedDialogs dialogs;
        CQalorApp app;
        FakeCommControl* port = nullptr;

        CMainFrame& start()
        {
            auto control = std::make_unique<FakeCommControl>();
            port = control.get();
            app.initInstance(std::move(control));
            return *app.mainFrame();
        }
        void login(const QString& name = QStringLiteral("Headkeeper"),
                   const QString& password = QStringLiteral("secret"))
        {
            dialogs.steps.push_back(typeLogin(name, password));
            menuAction(*app.mainFrame(), QStringLiteral("登录"))->trigger();
        }
    };

    QTemporaryDir m_data;
};

void TestShellFrame::initTestCase()
{
    QVERIFY(m_data.isValid());
    qputenv("QALOR_DATA_DIR", QFile::encodeName(m_data.path()));
}

void TestShellFrame::init()
{
    AppState::instance() = AppState();
}

void TestShellFrame::startUp()
{
    Running run;
    run.db->execute(
        QStringLiteral("INSERT INTO 宾馆分机升降级设置表 (是否自动升降级, 用户名) VALUES (1, 'pbx')"));
    AppState::instance().loggedIn = 1; // whatever was set before, start-up clears it
    AppState::instance().superAdmin = 1;

    CMainFrame& frame = run.start();

    QCOMPARE(frame.windowTitle(), QStringLiteral("HARRIS 20-20 程控数字交换机计费软件"));
    QVERIFY(frame.isVisible());
    QVERIFY(run.prompt.texts.isEmpty());
    QCOMPARE(run.app.loggedIn(), 0);
    QCOMPARE(run.app.superAdmin(), 0);
    QCOMPARE(AppState::instance().hotel.autoChange, 1);
    QCOMPARE(AppState::instance().hotel.userName, QStringLiteral("pbx"));
    QCOMPARE(auditRows(*run.db), QStringList{QStringLiteral("无|启动计费软件|成功")});
    QVERIFY(run.port->log.contains(QStringLiteral("CommPort=1")));
    QVERIFY(run.port->portOpen());
    QVERIFY(indicatorShown(frame, QStringLiteral("请登录")));
    QVERIFY(!indicatorShown(frame, QStringLiteral("已登录")));
    // The login pane follows the cleared flags; no REPORT line waits.
    QCOMPARE(statusPane(frame, QStringLiteral("登录状态"))->text(), QStringLiteral("请登录"));
    // A screen reader reads each pane's state, not what the pane is.
    for (const char* role : {"登录状态", "串口状态", "时间"}) {
        QLabel* pane = statusPane(frame, QString::fromUtf8(role));
        QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(pane);
        QVERIFY(reader);
        QCOMPARE(reader->text(QAccessible::Name), pane->text());
        QCOMPARE(reader->text(QAccessible::Description), QString::fromUtf8(role));
    }
    QVERIFY(statusPane(frame, QStringLiteral("串口状态"))->text().startsWith(QStringLiteral("串口")));
    QVERIFY(statusPane(frame, QStringLiteral("REPORT状态"))->isHidden());
}

void TestShellFrame::reportLinesLeftFromLastRunWaitInTheStatusBar()
{
    Running run(true, true);
    {
        LineJournal journal(ReportLines::defaultJournalPath());
        for (int i = 0; i < 3; ++i)
            journal.append(mobileCall(i).line().chopped(2));
    }
    CMainFrame& frame = run.start();
    QLabel* pane = statusPane(frame, QStringLiteral("REPORT状态"));
    QVERIFY(!frame.view().reportMode()); // live intake, as after every start
    QVERIFY(!pane->isHidden());
    QCOMPARE(pane->text(), QStringLiteral("REPORT: 3 行待计算"));

    // A call arriving now is priced at once.
    run.port->deliver(mobileCall(3).line());
    QCOMPARE(run.db->scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")), QStringLiteral("1"));

    run.login();
    menuAction(frame, QStringLiteral("接收REPORT数据"))->trigger();
    QCOMPARE(pane->text(), QStringLiteral("REPORT: 正在接收, 3 行待计算"));
    // A line received now is said in the message line; the list keeps the
    // number of the call priced before.
    const QString listed = frame.view().receivedCalls().cell(0, ReceivedCallsModel::Called);
    run.port->deliver(mobileCall(4).line());
    QCOMPARE(frame.statusBar()->currentMessage(), QStringLiteral("收到一条CDR记录"));
    QCOMPARE(pane->text(), QStringLiteral("REPORT: 正在接收, 4 行待计算"));
    QCOMPARE(frame.view().receivedCalls().cell(0, ReceivedCallsModel::Called), listed);
    QCOMPARE(listed.trimmed(), mobileCall(3).dialled);
    menuAction(frame, QStringLiteral("计算REPORT数据"))->trigger();
    QVERIFY(pane->isHidden());
    QCOMPARE(run.db->scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")), QStringLiteral("5"));
}

void TestShellFrame::unframedPiecesShownAndDiscarded()
{
    Running run;
    const QDateTime kept(QDate(2026, 3, 14), QTime(8, 30, 5));
    {
        LineJournal pieces(UnframedKeeper::journalPath());
        pieces.clear();
        pieces.append(QStringLiteral("12 34\x01"), -1, kept.toMSecsSinceEpoch());
        pieces.append(QStringLiteral("9x"));
    }
    CMainFrame& frame = run.start();
    run.login();
    QStringList shown;
    run.dialogs.steps.push_back([&](QDialog& dialog) {
        auto& d = dynamic_cast<UnframedDialog&>(dialog);
        for (int row = 0; row < d.table().rowCount(); ++row)
            shown << d.table().item(row, 0)->text() + QLatin1Char('|') + d.table().item(row, 1)->text() +
                         QLatin1Char('|') + d.table().item(row, 2)->text();
        run.prompt.answers << false; // asked first: Cancel keeps them
        button(d, QStringLiteral("丢弃"))->click();
        shown << QString::number(LineJournal(UnframedKeeper::journalPath()).lines().size());
        run.prompt.answers << true;
        button(d, QStringLiteral("丢弃"))->click();
        return d.result();
    });
    const QStringList auditBefore = auditRows(*run.db);
    menuAction(frame, QStringLiteral("重新切分未成行的CDR数据"))->trigger();
    QCOMPARE(shown, (QStringList{QStringLiteral("2026-03-14 08:30:05|6|12 34\\x01"),
                                 QStringLiteral("未记录|2|9x"), QStringLiteral("2")}));
    QCOMPARE(run.prompt.texts.mid(run.prompt.texts.size() - 3),
             (QStringList{
                 QStringLiteral("切分出0条CDR记录,请用\"计算REPORT数据\"计算;仍有2段数据不符合CDR字段定义."),
                 UnframedDialog::discardQuestion(2, 8), UnframedDialog::discardQuestion(2, 8)}));
    QVERIFY(LineJournal(UnframedKeeper::journalPath()).lines().isEmpty());
    QCOMPARE(auditRows(*run.db).mid(auditBefore.size()),
             QStringList{QStringLiteral("无|丢弃未成行的CDR数据2段8字节|成功")});
}

// The head and tail of a line a restart cut: shown one after the other, and
// joined into a line for 计算REPORT数据 only when the administrator says so.
// A second cut line is joined in the same list after the first (the join
// rewrote the pieces kept, numbered anew).
void TestShellFrame::cutLineJoinedOnRequest()
{
    Running run;
    const QString cut = mobileCall(5).line();
    const QString cutAgain = mobileCall(6).line();
    const QDateTime kept(QDate(2026, 3, 14), QTime(8, 30, 5));
    QList<LineJournal::Entry> entries;
    {
        LineJournal pieces(UnframedKeeper::journalPath());
        pieces.clear();
        pieces.append(cut.left(30) + QChar(StreamBreak), -1, kept.toMSecsSinceEpoch());
        pieces.append(cut.mid(30), -1, kept.addSecs(40).toMSecsSinceEpoch());
        pieces.append(QStringLiteral("9x"));
        pieces.append(cutAgain.left(12) + QChar(StreamBreak));
        pieces.append(cutAgain.mid(12));
        entries = pieces.entries();
    }
    CMainFrame& frame = run.start();
    run.login();
    QStringList shown;
    run.dialogs.steps.push_back([&](QDialog& dialog) {
        auto& d = dynamic_cast<UnframedDialog&>(dialog);
        shown << d.table().item(0, 2)->text();
        // The tail and what follows it make no line.
        d.table().selectRow(1);
        button(d, QStringLiteral("合并"))->click();
        d.table().selectRow(0);
        run.prompt.answers << false; // asked first: Cancel keeps them
        button(d, QStringLiteral("合并"))->click();
        shown << QString::number(d.table().rowCount());
        run.prompt.answers << true;
        button(d, QStringLiteral("合并"))->click();
        shown << QString::number(d.table().rowCount()) + QLatin1Char('|') + d.table().item(0, 2)->text();
        d.table().selectRow(1);
        button(d, QStringLiteral("合并"))->click();
        shown << QString::number(d.table().rowCount()) + QLatin1Char('|') + d.table().item(0, 2)->text();
        return d.result();
    });
    const QStringList auditBefore = auditRows(*run.db);
    menuAction(frame, QStringLiteral("重新切分未成行的CDR数据"))->trigger();
    QCOMPARE(shown, (QStringList{cut.left(30) + QStringLiteral("(中断)"), QStringLiteral("5"),
                                 QStringLiteral("3|9x"), QStringLiteral("1|9x")}));
    const QString question = UnframedJoin::question(entries.at(0), entries.at(1));
    QVERIFY2(question.contains(cut.left(30)) && question.contains(cut.mid(30).trimmed()),
             qPrintable(question));
    QCOMPARE(run.prompt.texts.mid(run.prompt.texts.size() - 4),
             (QStringList{UnframedJoin::notALineText(), question, question,
                          UnframedJoin::question(entries.at(3), entries.at(4))}));
    QCOMPARE(LineJournal(UnframedKeeper::journalPath()).lines(), QStringList{QStringLiteral("9x")});
    QCOMPARE(LineJournal(ReportLines::defaultJournalPath()).lines(), (QStringList{cut, cutAgain}));
    QCOMPARE(
        auditRows(*run.db).mid(auditBefore.size()),
        (QStringList{QStringLiteral("无|") + UnframedJoin::auditText(cut) + QStringLiteral("|成功"),
                     QStringLiteral("无|") + UnframedJoin::auditText(cutAgain) + QStringLiteral("|成功")}));
    menuAction(frame, QStringLiteral("计算REPORT数据"))->trigger();
    QStringList called = run.db->column(QStringLiteral("SELECT 被叫号 FROM 话费表"));
    called.sort();
    QStringList expected{mobileCall(5).dialled, mobileCall(6).dialled};
    expected.sort();
    QCOMPARE(called, expected);
}

void TestShellFrame::startUpWithEmptyPortTable()
{
    Running run;
    run.db->execute(QStringLiteral("DELETE FROM 串口表"));

    CMainFrame& frame = run.start();

    QCOMPARE(run.prompt.texts, QStringList{QStringLiteral("串口表没有记录,设为串口1.")});
    QCOMPARE(frame.view().portNumber(), 1);
    QVERIFY(run.port->log.contains(QStringLiteral("CommPort=1")));

    // Confirming 2 adds the row and switches the port.
    run.login();
    run.port->log.clear();
    run.dialogs.steps.push_back(typePort(QStringLiteral("2")));
    menuAction(frame, QStringLiteral("串口设置"))->trigger();
    QCOMPARE(run.db->column(QStringLiteral("SELECT 串口号 FROM 串口表")), QStringList{QStringLiteral("2")});
    QCOMPARE(frame.view().portNumber(), 2);
    QVERIFY(run.port->log.contains(QStringLiteral("CommPort=2")));
    QVERIFY(run.port->portOpen());
}

void TestShellFrame::startUpWithUnreachableSource()
{
    const QString nowhere = QStringLiteral("QalorNoSuchSource");
    CDatabase::resetShared();
    CDatabase::setDefaultConnectionString(nowhere);
    QString driverText;
    try {
        CDatabase(nowhere).open();
    } catch (const DbError& error) {
        driverText = error.message();
    }
    QVERIFY(!driverText.isEmpty());

    {
        Running run(false);
        CMainFrame& frame = run.start();
        QVERIFY(frame.isVisible());
        QCOMPARE(frame.windowTitle(), QStringLiteral("HARRIS 20-20 程控数字交换机计费软件"));
        QCOMPARE(frame.view().portNumber(), 1);
        QVERIFY(run.port->log.contains(QStringLiteral("CommPort=1")));
        QVERIFY(run.port->log.contains(QStringLiteral("PortOpen=1")));

        const QStringList expected{
            // the engine: its own connection, then the CDR layout
            driverText,
            QStringLiteral("打开CDR设置表失败,程序可能不能正常运行."),
            QStringLiteral("无法设置CDR 输出字符串长度,程序无法正确计算话费!"),
            // (the engine keeps no hotel stays: each call reads them)
            // the view: 串口表, the raw CDR set, the start row, CDRSave
            QStringLiteral("打开串口设置表失败.程序可能不能正常运行."),
            driverText,
            driverText,
            driverText,
            // the application: hotel settings
            driverText,
        };
        QCOMPARE(run.prompt.texts, expected);

        // The close request still asks the audit log and still refuses.
        run.prompt.texts.clear();
        QVERIFY(!frame.close());
        QCOMPARE(run.prompt.texts, (QStringList{driverText, kNoRightToExit}));
    }
    CDatabase::resetShared();
    CDatabase::setDefaultConnectionString(QString());
}

void TestShellFrame::menuCaptionsAndAvailability()
{
    Running run;
    CMainFrame& frame = run.start();

    // Every command named in the rights table sits in the menu under its caption.
    const QStringList gated{
        "按日期查询",       "按被叫号查询",     "入住登记",         "退房结算",      "出帐单",
        "呼叫类型计费设置", "分机级别计费设置", "中继组计费设置",   "备份/删除数据", "星期折扣设置",
        "接收REPORT数据",   "计算REPORT数据",   "打开串口",         "关闭串口",      "串口设置",
        "更改分机级别",     "更MODEM改拨号表",  "节假日折扣设置",   "部门设置",      "基本费率设置",
        "分机设置",         "分时段折扣设置",   "折扣类型设置",     "3+1费率表设置", "是否保存CDR记录",
        "删除重复记录",     "出缴费通知",       "宾馆管理设置",     "月报表",        "CDR输出字段设置",
        "统计类型设置",     "查看宾馆登记情况", "分机级别更改记录", "密码管理"};
    for (const QString& caption : gated) {
        QAction* action = menuAction(frame, caption);
        QVERIFY2(action, qPrintable(caption));
        QVERIFY2(CommandGate::isGated(action->objectName().mid(3).toInt()), qPrintable(caption));
    }
    QVERIFY(!CommandGate::isGated(
        menuAction(frame, QStringLiteral("语音话费查询密码"))->objectName().mid(3).toInt()));

    for (const char* caption : {"号码资源管理", "电路资源管理", "增加,删除分机", "年报表"}) {
        QAction* action = menuAction(frame, QString::fromUtf8(caption));
        QVERIFY2(action && !action->isEnabled(), caption);
    }
    for (const char* caption : {"登录",
                                "管理员退出",
                                "密码管理",
                                "打开串口",
                                "关闭串口",
                                "串口设置",
                                "接收REPORT数据",
                                "计算REPORT数据",
                                "CDR输出字段设置",
                                "备份/删除数据",
                                "删除重复记录",
                                "是否保存CDR记录",
                                "按日期查询",
                                "按被叫号查询",
                                "退出(&X)",
                                "工具栏",
                                "状态栏",
                                "帮助",
                                "基本费率设置",
                                "3+1费率表设置",
                                "分时段折扣设置",
                                "节假日折扣设置",
                                "星期折扣设置",
                                "折扣类型设置",
                                "呼叫类型计费设置",
                                "分机级别计费设置",
                                "中继组计费设置",
                                "部门设置",
                                "分机设置",
                                "统计类型设置",
                                "语音话费查询密码",
                                "月报表",
                                "出缴费通知",
                                "入住登记",
                                "退房结算",
                                "出帐单",
                                "宾馆管理设置",
                                "更改分机级别",
                                "更MODEM改拨号表",
                                "分机级别更改记录",
                                "查看宾馆登记情况"}) {
        QAction* action = menuAction(frame, QString::fromUtf8(caption));
        QVERIFY2(action && action->isEnabled(), caption);
    }
    // Never had a command: present but not pretending to work.
    for (const char* caption : {"年报表"})
        QVERIFY2(!menuAction(frame, QString::fromUtf8(caption))->isEnabled(), caption);
}

void TestShellFrame::gateRefusals_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<bool>("loginOffered");

    QTest::newRow("打开串口") << int(Cmd::OpenPort) << kUpper << false;
    QTest::newRow("串口设置") << int(Cmd::PortSettings) << kUpper << false;
    QTest::newRow("计算REPORT数据") << int(Cmd::ComputeReport) << kUpper << false;
    QTest::newRow("按日期查询") << int(Cmd::QueryByDate) << kUpper << false;
    QTest::newRow("更MODEM改拨号表") << int(Cmd::DialCode) << kUpper << false;
    QTest::newRow("基本费率设置") << int(Cmd::BaseRate) << kMixed << true;
    QTest::newRow("3+1费率表设置") << int(Cmd::Rate31) << kMixed << true;
    QTest::newRow("删除重复记录") << int(Cmd::RemoveDuplicates) << kMixed << false;
    QTest::newRow("月报表") << int(Cmd::MonthReport) << kMixed << false;
    QTest::newRow("CDR输出字段设置") << int(Cmd::CdrLayout) << kComma << false;
    QTest::newRow("统计类型设置") << int(Cmd::CountType) << kAdminFirst << false;
    QTest::newRow("查看宾馆登记情况") << int(Cmd::HotelRegister) << kAdminFirst << false;
}

void TestShellFrame::gateRefusals()
{
    QFETCH(int, command);
    QFETCH(QString, refusal);
    QFETCH(bool, loginOffered);

    Running run;
    CMainFrame& frame = run.start();
    const QStringList portLog = run.port->log;

    // Enabled entries are triggered as a person would; disabled ones are run
    // directly: the rights check comes before the handler either way.
    QAction* action = frame.action(command);
    QVERIFY(action);
    if (action->isEnabled())
        action->trigger();
    else
        frame.runCommand(command);

    QCOMPARE(run.prompt.texts, QStringList{refusal});
    QCOMPARE(run.dialogs.ran, loginOffered ? QStringList{QStringLiteral("LoginDialog")} : QStringList{});
    QCOMPARE(run.port->log, portLog);
    QVERIFY(!frame.view().reportMode());
    // The login dialog that was offered and cancelled wrote its failed row.
    QStringList rows{QStringLiteral("无|启动计费软件|成功")};
    if (loginOffered)
        rows << QStringLiteral("|LOGIN|失败");
    QCOMPARE(auditRows(*run.db), rows);
}

void TestShellFrame::headkeeperOnlyPasswordTable()
{
    Running run;
    run.db->execute(QStringLiteral("INSERT INTO 管理员口令表 (管理员名, 口令) VALUES ('李四', 'pw')"));
    CMainFrame& frame = run.start();
    QAction* passwords = menuAction(frame, QStringLiteral("密码管理"));

    // An ordinary administrator is refused and offered the login dialog, which
    // (cancelled) ends the ordinary login too.
    run.login(QStringLiteral("李四"), QStringLiteral("pw"));
    QVERIFY(indicatorShown(frame, QStringLiteral("已登录")));
    run.prompt.texts.clear();
    run.dialogs.ran.clear();
    passwords->trigger();
    QCOMPARE(run.prompt.texts, QStringList{kNotHeadkeeper});
    QCOMPARE(run.dialogs.ran, QStringList{QStringLiteral("LoginDialog")});
    QCOMPARE(run.app.loggedIn(), 0);
    QVERIFY(indicatorShown(frame, QStringLiteral("请登录")));

    // The Headkeeper gets the table: adds 王五, deletes 李四, and looks at
    // the login log from there.
    run.login();
    QCOMPARE(run.app.superAdmin(), 1);
    run.dialogs.ran.clear();
    int logRows = 0;
    QStringList shown;
    bool touchedByNothing = true;
    QList<int> echoModes; // of the name's and the password's editor
    run.dialogs.steps.push_back([&](QDialog& dialog) {
        GridModel& model = dynamic_cast<GridDialog&>(dialog).model();
        const int added = model.recordCount();
        model.setData(model.index(added, 0), QStringLiteral("王五"));
        model.setData(model.index(added, 1), QStringLiteral("pw5"));
        for (int row = 0; row < model.recordCount(); ++row)
            if (model.value(row, 0).toString() == QStringLiteral("李四"))
                model.removeRows(row, 1);
        // The Headkeeper's password, hashed at the login: the cell shows no
        // hash and starts empty; leaving it empty changes nothing, typing
        // changes it.
        for (int row = 0; row < model.recordCount(); ++row) {
            if (model.value(row, 0).toString() != QStringLiteral("Headkeeper"))
                continue;
            shown << model.data(model.index(row, 1)).toString()
                  << model.data(model.index(row, 1), Qt::EditRole).toString();
            QTableView& view = dynamic_cast<GridDialog&>(dialog).grid();
            for (int column : {0, 1}) {
                std::unique_ptr<QWidget> editor(view.itemDelegate()->createEditor(
                    &view, QStyleOptionViewItem(), model.index(row, column)));
                const auto* line = qobject_cast<QLineEdit*>(editor.get());
                echoModes << (line ? int(line->echoMode()) : -1);
            }
            model.setData(model.index(row, 1), QString());
            touchedByNothing = model.unwrittenRow() == row;
            model.setData(model.index(row, 1), QStringLiteral("top"));
        }
        button(dialog, QStringLiteral("查看登录记录"))->click();
        button(dialog, QStringLiteral("返回"))->click();
        return dialog.result();
    });
    run.dialogs.steps.push_back([&logRows](QDialog& dialog) {
        logRows = dynamic_cast<GridDialog&>(dialog).model().recordCount();
        button(dialog, QStringLiteral("OK"))->click();
        return dialog.result();
    });
    passwords->trigger();
    QCOMPARE(run.dialogs.ran,
             (QStringList{QStringLiteral("PasswordDialog"), QStringLiteral("LoginRecordDialog")}));
    QCOMPARE(logRows, 4);
    QCOMPARE(auditRows(*run.db),
             (QStringList{QStringLiteral("无|启动计费软件|成功"), QStringLiteral("李四|LOGIN|成功"),
                          QStringLiteral("|LOGIN|失败"), QStringLiteral("Headkeeper|LOGIN|成功")}));

    QCOMPARE(shown, (QStringList{GridModel::sealedMask(), QString()}));
    QVERIFY(!touchedByNothing);
    QCOMPARE(echoModes, (QList<int>{QLineEdit::Normal, QLineEdit::Password}));
    // Both passwords typed into the table are stored hashed.
    for (const char* name : {"王五", "Headkeeper"})
        QVERIFY(PasswordHash::isHash(
            run.db->scalar(QStringLiteral("SELECT 口令 FROM 管理员口令表 WHERE 管理员名='%1'")
                               .arg(QString::fromUtf8(name)))));

    run.login(QStringLiteral("李四"), QStringLiteral("pw"));
    QCOMPARE(run.app.loggedIn(), 0);
    run.login(QStringLiteral("王五"), QStringLiteral("pw5"));
    QCOMPARE(run.app.loggedIn(), 1);
    QCOMPARE(run.app.superAdmin(), 0);
    run.login(QStringLiteral("Headkeeper"), QStringLiteral("secret"));
    QCOMPARE(run.app.loggedIn(), 0);
    run.login(QStringLiteral("Headkeeper"), QStringLiteral("top"));
    QCOMPARE(run.app.superAdmin(), 1);
}

void TestShellFrame::loginLapsesAfterInterval()
{
    Running run;
    CMainFrame& frame = run.start();
    frame.session().setLogoutInterval(200);

    run.login(QStringLiteral("Headkeeper"), QStringLiteral("wrong"));
    QCOMPARE(run.prompt.texts.last(), QStringLiteral("Error Name or Password!"));
    QVERIFY(indicatorShown(frame, QStringLiteral("请登录")));

    run.login();
    QCOMPARE(run.prompt.texts.last(), QStringLiteral("Now you can change the PASSWORD table!"));
    QVERIFY(indicatorShown(frame, QStringLiteral("已登录")));
    run.prompt.texts.clear();
    menuAction(frame, QStringLiteral("关闭串口"))->trigger();
    QVERIFY(run.prompt.texts.isEmpty());
    QVERIFY(!run.port->portOpen());

    QTRY_VERIFY_WITH_TIMEOUT(indicatorShown(frame, QStringLiteral("请登录")), 5000);
    QCOMPARE(run.app.loggedIn(), 0);
    QVERIFY(run.prompt.texts.isEmpty());
    menuAction(frame, QStringLiteral("打开串口"))->trigger();
    QCOMPARE(run.prompt.texts, QStringList{kUpper});
    QVERIFY(!run.port->portOpen());
}

void TestShellFrame::closeRequest()
{
    Running run;
    CMainFrame& frame = run.start();

    QVERIFY(!frame.close());
    QVERIFY(frame.isVisible());
    QCOMPARE(run.prompt.texts, QStringList{kNoRightToExit});

    run.dialogs.steps.push_back(typeLogin(QStringLiteral("Headkeeper"), QStringLiteral("secret")));
    menuAction(frame, QStringLiteral("登录"))->trigger();
    run.prompt.texts.clear();
    menuAction(frame, QStringLiteral("退出(&X)"))->trigger();
    QVERIFY(!frame.isVisible());
    QVERIFY(run.prompt.texts.isEmpty());
    QCOMPARE(auditRows(*run.db),
             (QStringList{QStringLiteral("无|启动计费软件|成功"), QStringLiteral("无|关闭计费软件|失败"),
                          QStringLiteral("Headkeeper|LOGIN|成功"), QStringLiteral("无|关闭计费软件|成功")}));
}

void TestShellFrame::portDialogRefusesBadEntries_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("refusal");
    const QString range = QStringLiteral("“请填入一个在1和4之间的整数。”");
    const QString integer = QStringLiteral("请键入一个整数。");
    QTest::newRow("5") << "5" << range;
    QTest::newRow("0") << "0" << range;
    QTest::newRow("-1") << "-1" << range;
    QTest::newRow("letter") << "a" << integer;
    QTest::newRow("empty") << "" << integer;
    QTest::newRow("fraction") << "2.5" << integer;
}

void TestShellFrame::portDialogRefusesBadEntries()
{
    QFETCH(QString, entry);
    QFETCH(QString, refusal);

    Running run;
    CMainFrame& frame = run.start();
    run.login();
    run.prompt.texts.clear();
    const QStringList portLog = run.port->log;

    bool stayedOpen = false;
    run.dialogs.steps.push_back(typePort(entry, &stayedOpen));
    menuAction(frame, QStringLiteral("串口设置"))->trigger();

    QVERIFY(stayedOpen);
    QCOMPARE(run.prompt.texts, QStringList{refusal});
    QCOMPARE(run.db->column(QStringLiteral("SELECT 串口号 FROM 串口表")), QStringList{QStringLiteral("1")});
    QCOMPARE(run.port->log, portLog);
}

void TestShellFrame::portNumberWriteAndSwitch()
{
    Running run;
    CMainFrame& frame = run.start();
    run.login();
    run.prompt.texts.clear();

    // The dialog opens on the stored number.
    run.db->execute(QStringLiteral("UPDATE 串口表 SET 串口号=3"));
    QString shown;
    run.dialogs.steps.push_back([&shown](QDialog& dialog) {
        shown = dynamic_cast<PortDialog&>(dialog).portEdit()->text();
        return int(QDialog::Rejected);
    });
    menuAction(frame, QStringLiteral("串口设置"))->trigger();
    QCOMPARE(shown, QStringLiteral("3"));

    // The number in use (1) is written to the table, the port is left alone.
    const QStringList portLog = run.port->log;
    run.dialogs.steps.push_back(typePort(QStringLiteral(" 1 ")));
    menuAction(frame, QStringLiteral("串口设置"))->trigger();
    QCOMPARE(run.db->column(QStringLiteral("SELECT 串口号 FROM 串口表")), QStringList{QStringLiteral("1")});
    QCOMPARE(run.port->log, portLog);

    // Another number is written and the port re-armed on it.
    run.dialogs.steps.push_back(typePort(QStringLiteral("4")));
    menuAction(frame, QStringLiteral("串口设置"))->trigger();
    QCOMPARE(run.db->column(QStringLiteral("SELECT 串口号 FROM 串口表")), QStringList{QStringLiteral("4")});
    QCOMPARE(frame.view().portNumber(), 4);
    QCOMPARE(run.port->commPort(), 4);
    QVERIFY(run.port->portOpen());
    QVERIFY(run.prompt.texts.isEmpty());
}

void TestShellFrame::portOpenCloseAndLayoutReload()
{
    Running run;
    CMainFrame& frame = run.start();
    run.login();

    menuAction(frame, QStringLiteral("关闭串口"))->trigger();
    QVERIFY(!run.port->portOpen());
    menuAction(frame, QStringLiteral("关闭串口"))->trigger();
    QVERIFY(!run.port->portOpen());
    menuAction(frame, QStringLiteral("打开串口"))->trigger();
    QVERIFY(run.port->portOpen());

    // The field editor closed with 返回 changes nothing; with 确认 the
    // layout is read again and the port armed with the new line length.
    run.db->execute(QStringLiteral("UPDATE CDR字段定义表 SET 是否输出=0 WHERE 输出序号=24"));
    run.port->log.clear();
    run.dialogs.steps.push_back(pressButton(QStringLiteral("返回")));
    menuAction(frame, QStringLiteral("CDR输出字段设置"))->trigger();
    QVERIFY(run.port->log.isEmpty());

    run.dialogs.steps.push_back(pressButton(QStringLiteral("确认")));
    menuAction(frame, QStringLiteral("CDR输出字段设置"))->trigger();
    QCOMPARE(run.dialogs.ran.mid(1),
             (QStringList{QStringLiteral("CdrFieldDialog"), QStringLiteral("CdrFieldDialog")}));
    QVERIFY(run.port->log.contains(QStringLiteral("RThreshold=%1").arg(73 - 19)));
    QVERIFY(run.port->portOpen());
}

void TestShellFrame::portCommandsKeepAPartialLine()
{
    Running run(true, true);
    CMainFrame& frame = run.start();
    run.login();
    run.prompt.texts.clear();

    // Half a line arrives, the port is closed and opened again from the
    // menu, the rest arrives: the call is whole.
    const QString line = mobileCall(7).line();
    run.port->deliver(line.left(30));
    menuAction(frame, QStringLiteral("关闭串口"))->trigger();
    menuAction(frame, QStringLiteral("打开串口"))->trigger();
    QVERIFY(run.port->portOpen());
    run.port->deliver(line.mid(30));

    QCOMPARE(frame.view().receivedCalls().rowCount(), 1);
    QCOMPARE(run.db->column(QStringLiteral("SELECT 被叫号 FROM 话费表")), QStringList{mobileCall(7).dialled});
    QVERIFY(run.prompt.texts.isEmpty());
}

void TestShellFrame::viewToggles()
{
    Running run;
    CMainFrame& frame = run.start();

    menuAction(frame, QStringLiteral("工具栏"))->trigger();
    QVERIFY(frame.toolBar()->isHidden());
    menuAction(frame, QStringLiteral("工具栏"))->trigger();
    QVERIFY(!frame.toolBar()->isHidden());
    menuAction(frame, QStringLiteral("状态栏"))->trigger();
    QVERIFY(frame.statusBar()->isHidden());

    menuAction(frame, QStringLiteral("帮助"))->trigger();
    QCOMPARE(run.dialogs.ran, QStringList{QStringLiteral("AboutDialog")});
    QVERIFY(run.prompt.texts.isEmpty());
}

void TestShellFrame::maintenanceCommands()
{
    Running run;
    CMainFrame& frame = run.start();
    QVERIFY(!frame.view().saveRaw());
    run.login();
    run.prompt.texts.clear();

    // The raw-saving choice is stored and applied to the view at once.
    run.dialogs.steps.push_back([](QDialog& dialog) {
        dialog.findChild<QCheckBox*>()->setChecked(true);
        button(dialog, QStringLiteral("确     认"))->click();
        return dialog.result();
    });
    menuAction(frame, QStringLiteral("是否保存CDR记录"))->trigger();
    QVERIFY(frame.view().saveRaw());
    QCOMPARE(run.db->column(QStringLiteral("SELECT 是否保存CDR FROM CDRSave")),
             QStringList{QStringLiteral("1")});

    menuAction(frame, QStringLiteral("备份/删除数据"))->trigger();
    menuAction(frame, QStringLiteral("删除重复记录"))->trigger();
    menuAction(frame, QStringLiteral("按日期查询"))->trigger();
    menuAction(frame, QStringLiteral("按被叫号查询"))->trigger();
    QCOMPARE(run.dialogs.ran.mid(1),
             (QStringList{QStringLiteral("CdrSaveDialog"), QStringLiteral("BackupDeleteDialog"),
                          QStringLiteral("RemoveDuplicatesDialog"), QStringLiteral("CDateQueryDlg"),
                          QStringLiteral("CCalleeQueryDlg")}));
    QVERIFY(run.prompt.texts.isEmpty());
}

void TestShellFrame::alertsCountedInTheStatusBarAndAcknowledged()
{
    Running run(true, true);
    CMainFrame& frame = run.start();
    QPushButton* pane = frame.alertPane();
    QVERIFY(pane->isHidden());

    // An international call at night matches a default rule.
    qalor::test::CdrCall night = mobileCall(1);
    night.start = QStringLiteral("233000");
    night.end = QStringLiteral("233100");
    night.dialled = QStringLiteral("0044207946");
    run.port->deliver(mobileCall(0).line() + night.line());
    QVERIFY(!pane->isHidden());
    QCOMPARE(pane->text(), QStringLiteral("未确认告警 1 条"));
    QCOMPARE(pane->accessibleName(), pane->text());
    // The alert itself, whole, also in a narrow window: it wraps.
    QLabel* line = frame.alertLine();
    QVERIFY(!line->isHidden());
    QVERIFY2(line->text().contains(QStringLiteral("主叫8001 被叫0044207946")), qPrintable(line->text()));
    frame.resize(480, 360);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QTRY_VERIFY(line->isVisible() && line->height() >= line->heightForWidth(line->width()));
    QVERIFY(line->height() > line->fontMetrics().height()); // more than one line

    // The list is the administrator's: without a login the gate refuses.
    run.prompt.texts.clear();
    pane->click();
    QCOMPARE(run.prompt.texts, QStringList{kAdminFirst});

    run.login();
    // A login that lapses while the list is open acknowledges nothing.
    int kept = -1;
    run.dialogs.steps.push_back([&](QDialog& dialog) -> int {
        AppState::instance().loggedIn = 0;
        button(dialog, QStringLiteral("全部确认"))->click();
        kept = dynamic_cast<AlertListDialog&>(dialog).rowCount();
        AppState::instance().loggedIn = 1;
        return QDialog::Accepted;
    });
    run.prompt.texts.clear();
    pane->click();
    QCOMPARE(kept, 1);
    QCOMPARE(run.prompt.texts, QStringList{kAdminFirst});
    QVERIFY(!pane->isHidden());

    int shown = -1;
    int left = -1;
    QString called;
    run.dialogs.steps.push_back([&](QDialog& dialog) -> int {
        auto& list = dynamic_cast<AlertListDialog&>(dialog);
        shown = list.rowCount();
        called = list.table()->item(0, 2)->text();
        button(dialog, QStringLiteral("全部确认"))->click();
        left = list.rowCount();
        return QDialog::Accepted;
    });
    pane->click();
    QCOMPARE(shown, 1);
    QCOMPARE(called, night.dialled);
    QCOMPARE(left, 0);
    QVERIFY(pane->isHidden());
    QCOMPARE(run.db->scalar(QStringLiteral("SELECT 确认人 FROM 告警记录表")), QStringLiteral("Headkeeper"));
    QCOMPARE(auditRows(*run.db).last(),
             QStringLiteral("Headkeeper|确认告警 %1|成功")
                 .arg(run.db->scalar(QStringLiteral("SELECT ID FROM 告警记录表"))));

    // Another program acknowledges an alert: the count follows without a call.
    night.start = QStringLiteral("234000");
    night.end = QStringLiteral("234100");
    run.port->deliver(night.line());
    QCOMPARE(pane->text(), QStringLiteral("未确认告警 1 条"));
    run.db->execute(
        QStringLiteral("UPDATE 告警记录表 SET 确认人='web', 确认日期='20261208', 确认时间='120000' "
                       "WHERE COALESCE(确认人,'')=''"));
    QTRY_VERIFY_WITH_TIMEOUT(pane->isHidden(), 30000);
}

QTEST_MAIN(TestShellFrame)
#include "tst_shell_frame.moc"
