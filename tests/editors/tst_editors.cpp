// The parameter-table editors as the administrator uses them: opened from the
// menu, "修改" read against the login flag at the moment it is pressed, and
// the engine picking up an edit on the next call after "确认", never after
// "返回". Calls travel the whole intake path from the CDR port.

#include "CdrLines.h"
#include "FakeCommControl.h"
#include "RecordingPrompt.h"
#include "TestDatabase.h"
#include "app/CMainFrame.h"
#include "app/CQalorView.h"
#include "app/MessageBoxPrompt.h"
#include "editors/AlertRuleDelegate.h"
#include "editors/CsvImport.h"
#include "editors/EditorDialog.h"
#include "editors/ExtensionSource.h"
#include "editors/RateCheck.h"
#include "gui/DialogRunner.h"
#include "gui/DialogRunner.h"
#include "station/AppState.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace qalor;
using qalor::test::CdrCall;
using qalor::test::FakeCommControl;
using qalor::test::RecordingPrompt;
using qalor::test::TestDatabase;

namespace {

QPushButton* button(QDialog& dialog, const QString& caption)
{
    for (QPushButton* candidate : dialog.findChildren<QPushButton*>())
        if (candidate->text() == caption)
            return candidate;
    return nullptr;
}

// The first grid row whose column holds text (the new row when none).
int rowWith(GridModel& model, int column, const QString& text)
{
    for (int row = 0; row < model.recordCount(); ++row)
        if (model.data(model.index(row, column)).toString() == text)
            return row;
    return model.recordCount();
}

struct Workstation
{
    Workstation() : frame(state, takePort())
    {
        DialogRunner::install([this](QDialog& dialog) {
            ran << dialog.objectName();
            if (!step)
                return int(QDialog::Rejected);
            auto current = std::exchange(step, {});
            return current(dialog);
        });
        state.loggedIn = 1;
        frame.initialUpdate();
    }
    ~Workstation() { DialogRunner::install({}); }

    std::unique_ptr<CommControl> takePort()
    {
        auto control = std::make_unique<FakeCommControl>();
        port = control.get();
        return control;
    }

    // A call on today's date from 10:00:00, `seconds` long, through the CDR port.
    void call(const QString& dialled, int seconds = 60)
    {
        CdrCall c;
        c.date = QDate::currentDate().toString(QStringLiteral("yyMMdd"));
        c.start = QStringLiteral("100000");
        c.end = QTime(10, 0).addSecs(seconds).toString(QStringLiteral("HHmmss"));
        c.dialled = dialled;
        if (!port->portOpen())
            port->setPortOpen(true);
        port->deliver(c.line());
    }

    TestDatabase db;
    RecordingPrompt prompt;
    AppState state;
    FakeCommControl* port = nullptr;
    CMainFrame frame;
    std::function<int(QDialog&)> step;
    QStringList ran;
};

} // namespace

class TestEditors : public QObject
{
    Q_OBJECT
private slots:
    void everyEditorOpensFromTheMenu();
    void modifyFollowsTheFlagWhenPressed_data();
    void modifyFollowsTheFlagWhenPressed();
    void editsReachTheNextCallOnlyAfterConfirm_data();
    void editsReachTheNextCallOnlyAfterConfirm();
    void extensionEditorFiltersAndSorts();
    void typedRowIsWrittenWhenLeft();
    void rateCheckFindsPartlyAndUnmatchedPrefixes();
    void importAsksReplaceAddOrCancel_data();
    void importAsksReplaceAddOrCancel();
    void alertRuleEditorShowsRulesAsRead();
};

void TestEditors::everyEditorOpensFromTheMenu()
{
    Workstation ws;
    ws.db.execute("INSERT INTO 部门表 (部门名,部门编号,管理费比率) VALUES ('总务处',1,0)");
    for (const EditorDef& def : EditorTable::all()) {
        QStringList captions;
        QString title;
        bool bound = false;
        bool editable = true;
        ws.step = [&](QDialog& dialog) {
            auto& editor = dynamic_cast<EditorDialog&>(dialog);
            for (QPushButton* b : dialog.findChildren<QPushButton*>())
                captions << b->text();
            title = dialog.windowTitle();
            bound = editor.model().table() != nullptr;
            editable = editor.model().allowAddNew() || editor.model().allowUpdate();
            return int(QDialog::Rejected);
        };
        QAction* action = ws.frame.action(def.command);
        QVERIFY(action && action->isEnabled());
        QCOMPARE(action->text(), def.menuCaption);
        action->trigger();
        QCOMPARE(ws.ran.size(), 1);
        ws.ran.clear();
        QCOMPARE(title, def.dialogCaption);
        QVERIFY(bound);
        QVERIFY2(!editable, qPrintable(def.menuCaption)); // nothing changes before "修改"
        QVERIFY2(captions.contains(def.backCaption), qPrintable(def.menuCaption));
        QCOMPARE(captions.contains(QStringLiteral("导入…")), def.offersImport());
        QCOMPARE(captions.contains(QStringLiteral("导出…")), def.mode != ModifyMode::None);
    }
    QCOMPARE(ws.prompt.texts, QStringList());

    // The voice-query passwords open without a login and cannot be changed.
    ws.state.loggedIn = 0;
    QStringList captions;
    ws.step = [&](QDialog& dialog) {
        for (QPushButton* b : dialog.findChildren<QPushButton*>())
            captions << b->text();
        return int(QDialog::Rejected);
    };
    ws.frame.action(32832)->trigger();
    QCOMPARE(captions, QStringList{"返回"});
    QCOMPARE(ws.prompt.texts, QStringList());

    // The statistics-type editor warns beside its grid.
    ws.state.loggedIn = 1;
    bool warned = false;
    ws.step = [&](QDialog& dialog) {
        for (QLabel* label : dialog.findChildren<QLabel*>())
            warned = warned || label->text() == QStringLiteral("为了计费软件正常工作,\n请不要修改此表数据");
        return int(QDialog::Rejected);
    };
    ws.frame.action(32821)->trigger();
    QVERIFY(warned);
}

void TestEditors::modifyFollowsTheFlagWhenPressed_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("modify");
    QTest::addColumn<QList<bool>>("loggedIn");    // switches after pressing with the flag set
    QTest::addColumn<QList<bool>>("lapsed");      // then after pressing with the flag cleared
    QTest::addColumn<QStringList>("messages");
    const QList<bool> all{true, true, true}, none{false, false, false}, update{false, false, true};
    QTest::newRow("full") << 32790 << "修改" << all << all << QStringList{"You no rights to change Data!"};
    QTest::newRow("update") << 32804 << "修改" << update << update << QStringList{};
    QTest::newRow("weekday") << 32807 << "修  改" << all << none << QStringList{};
    QTest::newRow("extension") << 32792 << "修     改" << all << all << QStringList{"You no rights to change Data!"};
}

void TestEditors::modifyFollowsTheFlagWhenPressed()
{
    QFETCH(int, command);
    QFETCH(QString, modify);
    QFETCH(QList<bool>, loggedIn);
    QFETCH(QList<bool>, lapsed);
    QFETCH(QStringList, messages);
    TestDatabase db;
    RecordingPrompt prompt;
    bool flag = false;
    EditorDialog::Hooks hooks{[&] { return flag; }, [](QDialog&) { return int(QDialog::Rejected); }};
    EditorDialog dialog(*EditorTable::find(command), hooks);
    auto switches = [&] {
        return QList<bool>{dialog.model().allowAddNew(), dialog.model().allowDelete(),
                           dialog.model().allowUpdate()};
    };
    QCOMPARE(switches(), (QList<bool>{false, false, false}));
    // Logged out from the start: nothing is unlocked.
    button(dialog, modify)->click();
    QCOMPARE(switches(), (QList<bool>{false, false, false}));
    QCOMPARE(prompt.texts, messages);
    prompt.texts.clear();

    flag = true;
    button(dialog, modify)->click();
    QCOMPARE(switches(), loggedIn);
    flag = false; // the login lapsed while the dialog was open
    button(dialog, modify)->click();
    QCOMPARE(switches(), lapsed);
    QCOMPARE(prompt.texts, messages);
}

void TestEditors::editsReachTheNextCallOnlyAfterConfirm_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QString>("expected"); // 通话费 of the call after the edit, "-" when not stored
    QTest::addColumn<bool>("portOpen");
    for (bool confirm : {true, false}) {
        const char* how = confirm ? "确认" : "返回";
        QTest::addRow("rate, %s", how) << 32790 << confirm << (confirm ? "0.8" : "0.5") << true;
        QTest::addRow("3+1 rate, %s", how) << 32820 << confirm << (confirm ? "0.3" : "0.5") << true;
        QTest::addRow("time band, %s", how) << 32778 << confirm << (confirm ? "0.375" : "0.5") << true;
        QTest::addRow("holiday, %s", how) << 32793 << confirm << (confirm ? "0.25" : "0.5") << true;
        QTest::addRow("weekday, %s", how) << 32807 << confirm << (confirm ? "0.125" : "0.5") << true;
        QTest::addRow("call type, %s", how) << 32804 << confirm << (confirm ? "-" : "0.5") << true;
        QTest::addRow("class of service, %s", how) << 32805 << confirm << (confirm ? "-" : "0.5") << true;
        // The trunk-group editor leaves the CDR port open too.
        QTest::addRow("trunk group, %s", how) << 32806 << confirm << (confirm ? "-" : "0.5") << true;
    }
}

void TestEditors::editsReachTheNextCallOnlyAfterConfirm()
{
    QFETCH(int, command);
    QFETCH(bool, confirm);
    QFETCH(QString, expected);
    QFETCH(bool, portOpen);
    Workstation ws;
    ws.db.execute("INSERT INTO 费率表 (区号,费率,地区,计费单位,折扣类型,附加费费率,统计类型) "
                  "VALUES ('0',0.5,'国内',60,1,0,2)");
    ws.call("02000000001"); // loads every table the engine needs
    QCOMPARE(ws.db.scalar("SELECT COUNT(*) FROM 话费表"), QString("1"));

    const QString today = QDate::currentDate().toString(QStringLiteral("yyMMdd"));
    const int weekday = QDate::currentDate().dayOfWeek() % 7 + 1; // 1 Sunday .. 7 Saturday
    const EditorDef& def = *EditorTable::find(command);
    bool edited = true;
    ws.step = [&](QDialog& dialog) {
        auto& editor = dynamic_cast<EditorDialog&>(dialog);
        GridModel& m = editor.model();
        button(dialog, def.modifyCaption)->click();
        switch (command) {
        case 32790:
            edited = m.setData(m.index(rowWith(m, 0, "0"), 1), "0.8") && edited;
            break;
        case 32820: { // 区号,时长1,费率1,附加费率1,时长2,费率2,附加费率2,折扣类型,地区,统计类型
            const QStringList row{"0", "180", "0.3", "0", "60", "0.1", "0", "1", "国内", "2"};
            for (int column = 0; column < row.size(); ++column)
                edited = m.setData(m.index(m.recordCount(), column), row.at(column)) && edited;
            break;
        }
        case 32778: // 折扣类型, 起始时间, 结束时间, 折扣率
            edited = m.setData(m.index(m.recordCount(), 0), "1") && edited;
            edited = m.setData(m.index(m.recordCount(), 1), "000000") && edited;
            edited = m.setData(m.index(m.recordCount(), 2), "235959") && edited;
            edited = m.setData(m.index(m.recordCount(), 3), "0.75") && edited;
            break;
        case 32793: // 折扣类型, 日期, 折扣率 of a new row
            edited = m.setData(m.index(m.recordCount(), 0), "1") && edited;
            edited = m.setData(m.index(m.recordCount(), 1), today) && edited;
            edited = m.setData(m.index(m.recordCount(), 2), "0.5") && edited;
            break;
        case 32807: // 星期, 折扣类型, 折扣率
            edited = m.setData(m.index(m.recordCount(), 0), QString::number(weekday)) && edited;
            edited = m.setData(m.index(m.recordCount(), 1), "1") && edited;
            edited = m.setData(m.index(m.recordCount(), 2), "0.25") && edited;
            break;
        default: // the code the call carries (call type 1, class 1, trunk group 1) stops being billed
            edited = m.setData(m.index(rowWith(m, 0, "1"), 1), "0") && edited;
            break;
        }
        button(dialog, confirm ? def.confirmCaption : def.backCaption)->click();
        return dialog.result();
    };
    ws.frame.action(command)->trigger();
    QCOMPARE(ws.ran.size(), 1);
    QVERIFY(edited);
    QVERIFY(ws.prompt.texts.isEmpty());
    QCOMPARE(ws.port->portOpen(), portOpen);

    ws.call("03000000002");
    const QStringList charge = ws.db.column("SELECT 通话费 FROM 话费表 WHERE 被叫号='03000000002'");
    if (expected == "-")
        QCOMPARE(charge, QStringList());
    else
        QCOMPARE(charge.value(0).toFloat(), expected.toFloat()); // stored as a single
    // Written by the grid either way.
    QCOMPARE(ws.db.scalar("SELECT COUNT(*) FROM 费率表 WHERE 费率>0.7"), QString(command == 32790 ? "1" : "0"));
}

void TestEditors::extensionEditorFiltersAndSorts()
{
    TestDatabase db;
    RecordingPrompt prompt;
    db.execute("INSERT INTO 部门表 (部门名,部门编号,管理费比率) VALUES ('财务部',2,0)");
    db.execute("INSERT INTO 部门表 (部门名,部门编号,管理费比率) VALUES ('总务处',1,0)");
    for (const char* row : {"'8003','王五',2", "'8001','赵六',2", "'8002','李四',1", "'8004','张三',2"})
        db.execute(QStringLiteral("INSERT INTO 用户信息表 (电话号码,用户名,部门编号) VALUES (%1)").arg(row));

    const QList<ExtensionSource::Department> departments = ExtensionSource::departments();
    QStringList texts;
    for (const auto& d : departments)
        texts << d.text;
    QCOMPARE(texts, (QStringList{"0     所有部门", "1     总务处", "2     财务部"}));

    EditorDialog::Hooks hooks{[] { return true; }, [](QDialog&) { return int(QDialog::Rejected); }};
    EditorDialog dialog(*EditorTable::find(32792), hooks);
    auto phones = [&] {
        QStringList list;
        for (int row = 0; row < dialog.model().recordCount(); ++row)
            list << dialog.model().data(dialog.model().index(row, 0)).toString();
        return list;
    };
    QCOMPARE(phones(), (QStringList{"8002", "8001", "8003", "8004"}));
    auto* list = dialog.findChild<QTreeWidget*>();
    QVERIFY(list);
    QCOMPARE(list->topLevelItemCount(), 3);
    list->setCurrentItem(list->topLevelItem(2));
    QCOMPARE(phones(), (QStringList{"8001", "8003", "8004"}));
    button(dialog, "按用户名排序")->click();
    QCOMPARE(dialog.model().recordSource(),
             QString("SELECT * FROM 用户信息表  WHERE 部门编号=2 Order by 用户名"));
    // Dictionary (pinyin) order: 王五, 张三, 赵六 (by code point 张 comes first).
    QCOMPARE(phones(), (QStringList{"8003", "8004", "8001"}));
    list->setCurrentItem(list->topLevelItem(0));
    QCOMPARE(phones().size(), 4);
    // The names that sorted as 杨, 赵, 陈, 黄 by code point.
    for (const char* row : {"'8011','杨帆',3", "'8012','赵云',3", "'8013','陈晨',3", "'8014','黄河',3"})
        db.execute(QStringLiteral("INSERT INTO 用户信息表 (电话号码,用户名,部门编号) VALUES (%1)").arg(row));
    dialog.model().setRecordSource("SELECT * FROM 用户信息表  WHERE 部门编号=3 Order by 用户名");
    dialog.model().refresh();
    QCOMPARE(phones(), (QStringList{"8013", "8014", "8011", "8012"}));
    // Another order leaves the data source's.
    button(dialog, "按电话号码排序")->click();
    QCOMPARE(phones().first(), QString("8001"));
    QCOMPARE(phones().size(), 8);
    QVERIFY(prompt.texts.isEmpty());

    db.execute("DROP TABLE 部门表");
    QCOMPARE(ExtensionSource::departments().size(), 1);
    QCOMPARE(prompt.texts, QStringList{"打开部门表失败!"});
}

// A new row typed into the grid is written as soon as the person moves to
// another row, while the dialog stays open; moving between its own cells
// writes nothing yet.
void TestEditors::typedRowIsWrittenWhenLeft()
{
    TestDatabase db;
    RecordingPrompt prompt;
    db.execute("INSERT INTO 部门表 (部门名,部门编号,管理费比率) VALUES ('财务处',1,0)");
    EditorDialog::Hooks hooks{[] { return true; }, [](QDialog&) { return int(QDialog::Rejected); }};
    EditorDialog dialog(*EditorTable::find(32791), hooks);
    dialog.show();
    button(dialog, "修改")->click();
    GridModel& model = dialog.model();
    QTableView& grid = dialog.grid();
    const int newRow = model.recordCount();
    for (const auto& [column, text] : {std::pair{0, "后勤处"}, std::pair{1, "2"}, std::pair{2, "0.15"}}) {
        grid.setCurrentIndex(model.index(newRow, column));
        QVERIFY(model.setData(model.index(newRow, column), QString::fromUtf8(text)));
    }
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM 部门表"), QString("1"));
    grid.setCurrentIndex(model.index(0, 0));
    QVERIFY(dialog.isVisible());
    QCOMPARE(db.column("SELECT 部门名 FROM 部门表 WHERE 部门编号=2"), QStringList{"后勤处"});
    QCOMPARE(model.recordCount(), 2);
    QVERIFY(prompt.texts.isEmpty());
}

void TestEditors::rateCheckFindsPartlyAndUnmatchedPrefixes()
{
    TestDatabase db;
    RecordingPrompt prompt;
    for (const char* row : {"'0082','韩国'", "'00852','香港'", "'0755','深圳'", "'13','移动'"})
        db.execute(QStringLiteral("INSERT INTO 费率表 (区号,地区,费率,计费单位,折扣类型,附加费费率,统计类型) "
                                  "VALUES (%1,1,60,0,0,0)")
                       .arg(row));
    auto addCall = [&](const char* called, const char* date, double charge) {
        db.execute(QStringLiteral("INSERT INTO 话费表 (主叫号,被叫号,日期,时间,时长,费率,计费单位数,通话费,服务费,"
                                  "附加费,通达地,统计类型) VALUES ('8001','%1','%2','100000',60,1,1,%3,0,0.5,'',0)")
                       .arg(QString::fromUtf8(called), QString::fromUtf8(date))
                       .arg(charge));
    };
    addCall("0081312345678", "260310", 2);   // Japan missing: takes 0082 with three shared
    addCall("0081655554444", "260311", 3);
    addCall("008229998888", "260311", 1);    // Korea: full match
    addCall("075588886666-12", "260312", 1); // full match, extension dialled after the dash
    addCall("0756123456", "260312", 1);      // Zhuhai missing: 0755 with three shared
    addCall("95555", "260313", 1);           // nothing shares a first character
    addCall("0081312345678", "260401", 9);   // outside the period

    const QList<RateCheck::Finding> findings = RateCheck::run(QDate(2026, 3, 1), QDate(2026, 3, 31));
    QStringList lines;
    for (const RateCheck::Finding& f : findings)
        lines << QStringLiteral("%1|%2|%3|%4|%5").arg(f.prefix, f.matchedPrefix, f.matchedArea).arg(f.calls).arg(f.amount.text());
    QCOMPARE(lines, (QStringList{"0081|0082|韩国|2|6.00", "0756|0755|深圳|1|1.50", "9|||1|1.50"}));
    QVERIFY(prompt.texts.isEmpty());
}

void TestEditors::importAsksReplaceAddOrCancel_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("替换") << "替换" << 2 << QStringList{"已导入2行记录,替换了原有的3行."};
    QTest::newRow("追加") << "追加" << 5 << QStringList{"已导入2行记录."};
    QTest::newRow("取消") << "取消" << 3 << QStringList{};
    QTest::newRow("Esc") << QString() << 3 << QStringList{};
}

// The question before importing into a rate table of three rows, answered
// in the workstation's own message box: its three buttons, and the rows the
// table holds afterwards (the file brings two new prefixes).
void TestEditors::importAsksReplaceAddOrCancel()
{
    QFETCH(QString, answer);
    QFETCH(int, rows);
    QFETCH(QStringList, messages);
    TestDatabase db;
    for (const char* row : {"'13',0.6", "'139',0.7", "'010',0.3"})
        db.execute(QStringLiteral("INSERT INTO 费率表 (区号,费率) VALUES (%1)").arg(QLatin1String(row)));
    QTemporaryDir dir;
    const QString file = dir.filePath("rates.csv");
    QFile csv(file);
    QVERIFY(csv.open(QIODevice::WriteOnly));
    csv.write("区号,费率\n020,0.3\n0755,0.3\n");
    csv.close();

    MessageBoxPrompt boxes;
    Prompt::Redirect redirect(boxes);
    QStringList buttons;
    QStringList shown;
    QTimer answering;
    QObject::connect(&answering, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        if (box->text() != CsvImport::replaceQuestion(3)) {
            shown << box->text();
            box->button(QMessageBox::Ok)->click();
            return;
        }
        buttons.clear();
        for (QAbstractButton* b : box->buttons())
            buttons << b->text();
        if (answer.isEmpty()) {
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        for (QAbstractButton* b : box->buttons())
            if (b->text() == answer)
                b->click();
    });
    answering.start(20);

    EditorDialog::installFileChooser([&](QWidget*, bool, const QString&) { return file; });
    EditorDialog::Hooks hooks{[] { return true; }, [](QDialog&) { return int(QDialog::Rejected); }};
    EditorDialog dialog(*EditorTable::find(32790), hooks);
    button(dialog, "修改")->click();
    button(dialog, "导入…")->click();
    EditorDialog::installFileChooser({});
    answering.stop();

    buttons.sort();
    QCOMPARE(buttons, (QStringList{"取消", "替换", "追加"}));
    QCOMPARE(shown, messages);
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM 费率表").toInt(), rows);
    QCOMPARE(dialog.model().recordCount(), rows);
}

// The rule editor shows kinds by name, 是否启用 as a check box, times as
// times and only the columns the row's kind reads; a rule the engine could
// not use is refused when its row is left, naming the column.
void TestEditors::alertRuleEditorShowsRulesAsRead()
{
    TestDatabase db;
    RecordingPrompt prompt;
    EditorDialog::Hooks hooks{[] { return true; }, [](QDialog&) { return int(QDialog::Rejected); }};
    EditorDialog dialog(*EditorTable::find(32850), hooks);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    button(dialog, "修改")->click();
    GridModel& model = dialog.model();
    QTableView& grid = dialog.grid();
    // Columns as 告警规则表 holds them: 规则名称 1, 规则类型 2, 金额 3,
    // 起始时间 6, 结束时间 7, 次数 8, 分钟数 9, 是否启用 12.
    const auto shown = [&](int row, int column) {
        QStyleOptionViewItem option;
        auto* cells = qobject_cast<AlertRuleDelegate*>(grid.itemDelegateForColumn(column));
        if (!cells)
            return QStringLiteral("(plain)");
        cells->initStyleOption(&option, model.index(row, column));
        if (option.features & QStyleOptionViewItem::HasCheckIndicator)
            return QString(option.checkState == Qt::Checked ? "[x]" : "[ ]");
        return cells->usedByRow(model.index(row, column)) ? option.text : QStringLiteral("(unused)");
    };
    const int night = rowWith(model, 0, "2"); // 夜间国际长途: 00 from 220000 to 060000
    QCOMPARE((QStringList{shown(night, 2), shown(night, 3), shown(night, 6), shown(night, 7), shown(night, 8),
                          shown(night, 12)}),
             (QStringList{"时段号头", "(unused)", "22:00:00", "06:00:00", "(unused)", "[x]"}));
    QVERIFY(grid.columnWidth(1) >= grid.fontMetrics().horizontalAdvance(QStringLiteral("单次话费达到100元")));

    // The box is ticked off with a click; the row is written when left.
    grid.setCurrentIndex(model.index(night, 12));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(model.index(night, 12)).center());
    QCOMPARE(shown(night, 12), QString("[ ]"));
    // The kind is chosen by name; its columns open, the others close.
    grid.setCurrentIndex(model.index(night, 2));
    grid.edit(model.index(night, 2));
    auto* kinds = grid.findChild<QComboBox*>();
    QVERIFY(kinds);
    QCOMPARE(kinds->count(), 6);
    QCOMPARE(kinds->itemText(5), QString("6 重复呼叫"));
    kinds->setCurrentIndex(5);
    QTest::keyClick(kinds, Qt::Key_Tab);
    QCOMPARE((QStringList{shown(night, 2), shown(night, 6), shown(night, 8), shown(night, 9)}),
             (QStringList{"重复呼叫", "(unused)", "0", "0"}));
    QVERIFY(!(grid.itemDelegateForColumn(6)->createEditor(grid.viewport(), {}, model.index(night, 6))));
    QVERIFY(model.setData(model.index(night, 8), "3"));
    QVERIFY(model.setData(model.index(night, 9), "1441"));
    grid.setCurrentIndex(model.index(0, 0)); // leaving the row: refused, kept as typed
    QCOMPARE(prompt.texts, QStringList{"列“分钟数”只能填入1到1440之间的分钟数."});
    QCOMPARE(db.scalar("SELECT 规则类型 FROM 告警规则表 WHERE 规则编号=2"), QString("3"));
    QCOMPARE(model.unwrittenRow(), night);
    QVERIFY(model.setData(model.index(night, 9), "1440"));
    QVERIFY(model.writeRow());
    QCOMPARE(db.scalar("SELECT 规则类型 || ' ' || 次数 || ' ' || 分钟数 || ' ' || 是否启用 FROM 告警规则表 "
                       "WHERE 规则编号=2"),
             QString("6 3 1440 0"));

    // A time typed as people write it is kept as the table holds times.
    const int newRow = model.recordCount();
    for (const auto& [column, text] : {std::pair{0, "9"}, std::pair{1, "深夜"}, std::pair{2, "3"},
                                       std::pair{5, "00"}, std::pair{6, "2330"}}) {
        grid.setCurrentIndex(model.index(newRow, column));
        grid.edit(model.index(newRow, column));
        QWidget* editor = grid.focusWidget();
        QVERIFY(editor && editor != &grid);
        if (auto* combo = qobject_cast<QComboBox*>(editor))
            combo->setCurrentIndex(QString::fromUtf8(text).toInt() - 1);
        else
            editor->setProperty("text", QString::fromUtf8(text));
        QTest::keyClick(editor, Qt::Key_Tab);
    }
    grid.setCurrentIndex(model.index(newRow, 7));
    grid.edit(model.index(newRow, 7));
    grid.focusWidget()->setProperty("text", QStringLiteral("06:00"));
    QTest::keyClick(grid.focusWidget(), Qt::Key_Tab);
    QVERIFY(model.writeRow());
    QCOMPARE(db.scalar("SELECT 起始时间 || '-' || 结束时间 FROM 告警规则表 WHERE 规则编号=9"),
             QString("233000-060000"));
    QCOMPARE(prompt.texts.size(), 1);
}

QTEST_MAIN(TestEditors)
#include "tst_editors.moc"
