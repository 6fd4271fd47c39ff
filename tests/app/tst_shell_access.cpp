// The workstation is driven from outside through the accessibility tree: every
// control a person can operate must be found there under its caption. Walks
// the main window, its menus and every dialog of the shell, of the
// call-table maintenance and of the detail-bill queries, and lists what
// carries no name.

#include "FakeCommControl.h"
#include "RecordingPrompt.h"
#include "TestDatabase.h"
#include "app/AboutDialog.h"
#include "app/CMainFrame.h"
#include "app/CQalorApp.h"
#include "app/CdrFieldDialog.h"
#include "app/LoginDialog.h"
#include "app/LoginRecordDialog.h"
#include "app/PasswordDialog.h"
#include "app/PortDialog.h"
#include "editors/EditorDialog.h"
#include "editors/RateCheckDialog.h"
#include "gui/DialogRunner.h"
#include "hotel/CCheckInDlg.h"
#include "hotel/CCheckOutDlg.h"
#include "hotel/CHotalBillDlg.h"
#include "hotel/CHotalOptionsDlg.h"
#include "hotel/CHotalRegisterDlg.h"
#include "hotel/CStationClassDlg.h"
#include "maintenance/BackupDeleteDialog.h"
#include "maintenance/CdrSaveDialog.h"
#include "maintenance/RemoveDuplicatesDialog.h"
#include "reports/CCalleeQueryDlg.h"
#include "reports/CCountPreviewDlg.h"
#include "reports/CDateQueryDlg.h"
#include "reports/CMonthCountDlg.h"
#include "reports/CPayNoticeDlg.h"
#include "station/AppState.h"

#include <QAccessible>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>


Q_DECLARE_METATYPE(std::function<QDialog*()>)

using namespace qalor;
using qalor::test::FakeCommControl;
using qalor::test::RecordingPrompt;
using qalor::test::TestDatabase;

namespace {

bool isInteractive(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::EditableText:
    case QAccessible::ComboBox:
    case QAccessible::SpinBox:
    case QAccessible::MenuItem:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::Table:
    case QAccessible::List:
    case QAccessible::Tree:
    case QAccessible::TreeItem:
    case QAccessible::ColumnHeader:
    case QAccessible::PageTab:
    case QAccessible::Slider:
    case QAccessible::Dial:
        return true;
    default:
        return false;
    }
}

// Every enabled, visible control below the interface whose name is empty, as
// "role path" lines. The cells of a grid or list carry their values, which may
// be empty: only the grid itself and its headings are looked at.
void collectNameless(QAccessibleInterface* node, const QString& path, QStringList& nameless)
{
    if (!node || !node->isValid())
        return;
    const QAccessible::State state = node->state();
    if (state.invisible)
        return;
    const QAccessible::Role role = node->role();
    const QString name = node->text(QAccessible::Name);
    const QString here = path + QLatin1Char('/') + QString::number(int(role), 16) + QLatin1Char(':') + name;
    if (isInteractive(role) && !state.disabled && name.trimmed().isEmpty())
        nameless << here;
    const bool grid = role == QAccessible::Table || role == QAccessible::Tree || role == QAccessible::List;
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (!child)
            continue;
        if (grid && child->role() != QAccessible::ColumnHeader)
            continue;
        collectNameless(child, here, nameless);
    }
}

QStringList namelessControls(QObject* root)
{
    QStringList nameless;
    collectNameless(QAccessible::queryAccessibleInterface(root), QString(), nameless);
    return nameless;
}

} // namespace

class TestShellAccess : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_data.isValid());
        qputenv("QALOR_DATA_DIR", QFile::encodeName(m_data.path()));
    }

    void mainWindowAndMenus()
    {
        AppState::instance() = AppState();
        TestDatabase db;
        RecordingPrompt prompt;
        CQalorApp app;
        app.initInstance(std::make_unique<FakeCommControl>());
        CMainFrame& frame = *app.mainFrame();

        QCOMPARE(namelessControls(&frame), QStringList());
        for (QAction* top : frame.menuBar()->actions()) {
            QMenu* menu = top->menu();
            if (!menu)
                continue;
            QCOMPARE(namelessControls(menu), QStringList());
            // The entries are found under their captions.
            QAccessibleInterface* popup = QAccessible::queryAccessibleInterface(menu);
            QStringList names;
            for (int i = 0; i < popup->childCount(); ++i)
                names << popup->child(i)->text(QAccessible::Name);
            for (QAction* action : menu->actions())
                if (!action->isSeparator())
                    QVERIFY2(names.contains(action->text().remove(QLatin1Char('&'))),
                             qPrintable(action->text()));
        }
    }

    void dialogs_data()
    {
        using Make = std::function<QDialog*()>;
        QTest::addColumn<Make>("make");
        QTest::newRow("管理员登录") << Make([] { return new LoginDialog; });
        QTest::newRow("串口配置表") << Make([] { return new PortDialog; });
        QTest::newRow("关于") << Make([] { return new AboutDialog; });
        QTest::newRow("更改管理员口令表") << Make([] { return new PasswordDialog; });
        QTest::newRow("登录信息") << Make([] { return new LoginRecordDialog; });
        QTest::newRow("CDR字段设置") << Make([] { return new CdrFieldDialog; });
        QTest::newRow("话费表备份与删除") << Make([] { return new BackupDeleteDialog; });
        QTest::newRow("清除话费表中重复记录") << Make([] { return new RemoveDuplicatesDialog; });
        QTest::newRow("保存CDR记录") << Make([] { return new CdrSaveDialog; });
        QTest::newRow("按日期查询") << Make([] { return new CDateQueryDlg; });
        QTest::newRow("按被叫号查询") << Make([] { return new CCalleeQueryDlg; });
        for (const EditorDef& def : EditorTable::all())
            QTest::newRow(qPrintable(def.menuCaption)) << Make([&def] {
                return new EditorDialog(def, {[] { return true; }, [](QDialog&) { return 0; }});
            });
        QTest::newRow("检查费率表") << Make([] { return new RateCheckDialog; });
        QTest::newRow("月统计") << Make([] { return new CMonthCountDlg; });
        QTest::newRow("统计结果预览") << Make([] { return new CCountPreviewDlg; });
        QTest::newRow("出缴费通知") << Make([] { return new CPayNoticeDlg; });
        QTest::newRow("旅客入住登记") << Make([] { return new CCheckInDlg; });
        QTest::newRow("宾馆退房") << Make([] { return new CCheckOutDlg([](const QString&) {}); });
        QTest::newRow("出结帐单") << Make([] { return new CHotalBillDlg; });
        QTest::newRow("宾馆登记情况") << Make([] { return new CHotalRegisterDlg; });
        QTest::newRow("更改分机级别") << Make([] { return new CStationClassDlg; });
        QTest::newRow("宾馆功能选项设置") << Make([] { return new CHotalOptionsDlg; });
    }

    void dialogs()
    {
        QFETCH(std::function<QDialog*()>, make);
        AppState::instance() = AppState();
        AppState::instance().loggedIn = 1;
        TestDatabase db;
        RecordingPrompt prompt;
        std::unique_ptr<QDialog> dialog(make());
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        // Every edit, check box, button and date picker is enabled for the walk.
        for (QWidget* child : dialog->findChildren<QWidget*>())
            child->setEnabled(true);
        const QStringList nameless = namelessControls(dialog.get());
        QVERIFY2(nameless.isEmpty(), qPrintable(nameless.join(QStringLiteral("; "))));
        QVERIFY(prompt.texts.isEmpty());
    }

private:
    QTemporaryDir m_data;
};

QTEST_MAIN(TestShellAccess)
#include "tst_shell_access.moc"
