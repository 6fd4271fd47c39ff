#include "app/CMainFrame.h"

#include "access/AuditLog.h"
#include "app/AboutDialog.h"
#include "app/AdminSession.h"
#include "app/AlertListDialog.h"
#include "app/AppState.h"
#include "app/CQalorView.h"
#include "app/CdrFieldDialog.h"
#include "app/CommandGate.h"
#include "app/LoginDialog.h"
#include "app/MenuBuilder.h"
#include "app/PasswordDialog.h"
#include "app/PortDialog.h"
#include "app/SerialPortTable.h"
#include "app/ViewIntakeHold.h"
#include "collector/CollectorLink.h"
#include "collector/CollectorRequests.h"
#include "collectordata/CollectorBeat.h"
#include "db/CDatabase.h"
#include "editors/EditorDialog.h"
#include "editors/EditorTable.h"
#include "gui/DialogRunner.h"
#include "gui/GridDialog.h"
#include "hotel/AutoDowngrade.h"
#include "hotel/CCheckInDlg.h"
#include "hotel/CCheckOutDlg.h"
#include "hotel/CHotalBillDlg.h"
#include "hotel/CHotalOptionsDlg.h"
#include "hotel/CHotalRegisterDlg.h"
#include "hotel/CLevelChanger.h"
#include "hotel/CStationClassDlg.h"
#include "hotel/ClassChangeProgress.h"
#include "hotel/ClassChangeSender.h"
#include "intake/ReceivedCallsModel.h"
#include "maintenance/BackupDeleteDialog.h"
#include "maintenance/CdrSaveDialog.h"
#include "maintenance/RemoveDuplicatesDialog.h"
#include "prompt/Prompt.h"
#include "rating/AlertDesk.h"
#include "rating/AlertLog.h"
#include "rating/CCallRater.h"
#include "reports/CCalleeQueryDlg.h"
#include "reports/CDateQueryDlg.h"
#include "reports/CMonthCountDlg.h"
#include "reports/CPayNoticeDlg.h"
#include "serial/CommControl.h"
#include "serial/MappedCommControl.h"

#include <QAction>
#include <QCloseEvent>
#include <QDateTime>
#include <QLabel>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

namespace qalor {

CMainFrame::CMainFrame(AppState& state, std::unique_ptr<CommControl> port, QWidget* parent)
    : QMainWindow(parent), m_state(state)
{
    setObjectName(QStringLiteral("CMainFrame"));
    m_session = new AdminSession(m_state, this);

    m_actions = MenuBuilder::build(menuBar(), [this](int command) { runCommand(command); });

    m_toolBar = addToolBar(QStringLiteral("工具栏"));
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    MenuBuilder::fillToolBar(m_toolBar, m_actions);

    // The panes: the message line, REPORT lines waiting (shown only then),
    // the login state, the CDR port and the clock.
    m_reportPane = new QLabel(this);
    m_loginPane = new QLabel(this);
    m_portPane = new QLabel(this);
    m_clockPane = new QLabel(this);
    // A pane's accessible name is its text ("串口1 已连接"), so a screen
    // reader says the state; what the pane is goes in its description.
    const std::pair<QLabel*, const char*> panes[] = {{m_reportPane, "REPORT状态"},
                                                     {m_loginPane, "登录状态"},
                                                     {m_portPane, "串口状态"},
                                                     {m_clockPane, "时间"}};
    for (const auto& [pane, role] : panes) {
        pane->setObjectName(QString::fromUtf8(role));
        pane->setAccessibleDescription(QString::fromUtf8(role));
    }
    // Unacknowledged alerts: a flat button, so that a click (or the
    // keyboard) opens their list; its accessible name is its text.
    m_alertPane = new QPushButton(this);
    m_alertPane->setObjectName(QStringLiteral("告警状态"));
    m_alertPane->setAccessibleDescription(QStringLiteral("告警状态"));
    m_alertPane->setFlat(true);
    m_alertPane->hide();
    connect(m_alertPane, &QPushButton::clicked, this, [this] { runCommand(Cmd::AlertList); });
    // The newest alert in the message area: a long line wraps instead of
    // being cut off by the panes beside it.
    m_alertLine = new QLabel(this);
    m_alertLine->setObjectName(QStringLiteral("告警信息"));
    m_alertLine->setWordWrap(true);
    m_alertLine->hide();
    statusBar()->addWidget(m_alertLine, 1);
    statusBar()->addPermanentWidget(m_alertPane);
    statusBar()->addPermanentWidget(m_reportPane);
    statusBar()->addPermanentWidget(m_loginPane);
    statusBar()->addPermanentWidget(m_portPane);
    statusBar()->addPermanentWidget(m_clockPane);
    statusBar()->showMessage(QStringLiteral("就绪"));

    for (int command : {int(Cmd::ViewToolBar), int(Cmd::ViewStatusBar)}) {
        if (QAction* toggle = m_actions.value(command)) {
            toggle->setCheckable(true);
            toggle->setChecked(true);
        }
    }
    connect(m_toolBar, &QToolBar::visibilityChanged, this, [this](bool visible) {
        if (QAction* toggle = m_actions.value(Cmd::ViewToolBar))
            toggle->setChecked(visible);
    });

    // Building the view runs its start-up steps (port number, raw CDR set,
    // the start audit row, the raw-saving switch).
    m_view = new CQalorView(std::move(port), this);
    setCentralWidget(m_view);
    // Call-table maintenance holds the view's intake while it works.
    m_intakeHold = std::make_unique<ViewIntakeHold>(*m_view);

    connect(m_session, &AdminSession::loginStateChanged, this, [this](bool loggedIn) {
        m_view->setLoginIndicator(loggedIn);
        showStatus();
    });

    // Class changes use the CDR line (intake held meanwhile) or a modem
    // opened for each change; the automatic downgrade at the deposit queues
    // behind whatever change runs.
    m_classChange = new ClassChangeSender(
        m_view->cdrPort(), [] { return std::make_unique<MappedCommControl>(); }, this);
    m_classChange->setIntakeHold([this] { m_view->holdIntake(); }, [this] { m_view->releaseIntake(); });
    m_classChangeProgress = new ClassChangeProgress(*m_classChange, this);
    m_autoDowngrade = std::make_unique<AutoDowngrade>(*m_classChange, m_state.hotel);
    AutoClassChange::install(m_autoDowngrade.get());

    // A line kept for REPORT processing is said in the message line; the
    // list keeps showing the calls it holds.
    connect(&m_view->receivedCalls(), &ReceivedCallsModel::reportLineNoted, this, [this] {
        statusBar()->showMessage(ReceivedCallsModel::reportLineText());
        showStatus();
    });

    connect(&m_view->engine().alerts(), &AlertChecker::alertRaised, this, [this](const Alert& alert) {
        statusBar()->clearMessage();
        m_alertLine->setText(alert.line());
        m_alertLine->setAccessibleName(alert.line());
        m_alertLine->show();
        refreshAlertCount();
    });
    // Beside a collector the alerts are raised there: the count follows its calls.
    if (CollectorLink* collector = m_view->collector()) {
        connect(collector, &CollectorLink::callArrived, this, &CMainFrame::refreshAlertCount);
        // The collector's change at a deposit is shown as the window's own.
        connect(collector, &CollectorLink::noticeArrived, this, [this](const QString& text) {
            QProgressDialog& progress = remoteProgress();
            if (!text.isEmpty()) {
                progress.setLabelText(text);
                progress.show();
            } else if (m_remoteChanges.isEmpty()) {
                progress.hide();
                progress.reset();
            }
        });
    }

    auto* clock = new QTimer(this);
    connect(clock, &QTimer::timeout, this, &CMainFrame::showStatus);
    clock->start(1000);

    installHandlers();
    showStatus();
    refreshAlertCount();
}

CMainFrame::~CMainFrame()
{
    if (AutoClassChange::installed() == m_autoDowngrade.get())
        AutoClassChange::install(nullptr);
    // A change cut off at exit releases its hold on intake while the view
    // still exists.
    delete m_classChange;
    m_classChange = nullptr;
}

void CMainFrame::initialUpdate()
{
    adjustSize();
    m_view->initialUpdate();
    showStatus();
}

void CMainFrame::setHandler(int command, std::function<void()> handler)
{
    if (handler)
        m_handlers.insert(command, std::move(handler));
    else
        m_handlers.remove(command);
    if (QAction* action = m_actions.value(command))
        action->setEnabled(m_handlers.contains(command));
}

void CMainFrame::runCommand(int command)
{
    const CommandGate::Verdict verdict = CommandGate::check(command, m_state);
    if (!verdict.allowed) {
        Prompt::inform(verdict.refusal);
        if (verdict.offerLogin)
            login();
        return;
    }
    const auto handler = m_handlers.constFind(command);
    if (handler != m_handlers.constEnd())
        (*handler)();
}

void CMainFrame::installHandlers()
{
    // Every command starts disabled; installing its handler enables it, so a
    // command without one is shown but cannot be chosen.
    for (QAction* action : std::as_const(m_actions))
        action->setEnabled(false);

    setHandler(Cmd::Login, [this] { login(); });
    setHandler(Cmd::Logout, [this] { m_session->logout(); });
    setHandler(Cmd::OpenPort, [this] {
        m_view->openPort();
        showStatus();
    });
    setHandler(Cmd::ClosePort, [this] {
        m_view->closePort();
        showStatus();
    });
    setHandler(Cmd::PasswordAdmin, [this] { managePasswords(); });
    setHandler(Cmd::PortSettings, [this] { changePort(); });
    setHandler(Cmd::CdrLayout, [this] { editCdrLayout(); });
    for (const EditorDef& editor : EditorTable::all()) {
        const int command = editor.command;
        setHandler(command, [this, command] { openEditor(command); });
    }
    setHandler(Cmd::ReceiveReport, [this] {
        m_view->receiveReport();
        showStatus();
    });
    setHandler(Cmd::ComputeReport, [this] {
        m_view->computeReport();
        showStatus();
    });
    setHandler(Cmd::RecutUnframed, [this] { m_view->recutUnframed(); });
    setHandler(Cmd::QueryByDate, [this] {
        CDateQueryDlg dialog(this);
        DialogRunner::run(dialog);
    });
    setHandler(Cmd::QueryByCallee, [this] {
        CCalleeQueryDlg dialog(this);
        DialogRunner::run(dialog);
    });
    setHandler(Cmd::BackupDelete, [this] {
        BackupDeleteDialog dialog(this);
        DialogRunner::run(dialog);
    });
    setHandler(Cmd::RemoveDuplicates, [this] {
        RemoveDuplicatesDialog dialog(this);
        DialogRunner::run(dialog);
    });
    setHandler(Cmd::SaveCdr, [this] {
        // Either button stores the shown choice; the view applies it from the
        // next received line.
        CdrSaveDialog dialog(this);
        DialogRunner::run(dialog);
        m_view->setSaveRaw(dialog.saveCdr());
    });
    setHandler(Cmd::MonthReport, [this] {
        CMonthCountDlg dialog(this);
        DialogRunner::run(dialog);
    });
    setHandler(Cmd::PayNotice, [this] {
        CPayNoticeDlg dialog(this);
        DialogRunner::run(dialog);
    });
    setHandler(Cmd::CheckIn, [this] { checkIn(); });
    setHandler(Cmd::CheckOut, [this] { checkOut(); });
    setHandler(Cmd::HotelBill, [this] { printHotelBill(); });
    setHandler(Cmd::HotelOptions, [this] { editHotelOptions(); });
    setHandler(Cmd::StationClass, [this] { changeStationClass(); });
    setHandler(Cmd::DialCode, [this] {
        showGrid(QStringLiteral("更MODEM改拨号表"),
                 QStringLiteral("select * from 分机拨号变换表 ORDER BY 分机号头"), true);
    });
    setHandler(Cmd::StationChangeLog, [this] {
        showGrid(QStringLiteral("分机级别更改记录"),
                 QStringLiteral("select * from 分机级别更改记录表 ORDER BY 日期,分机号"), false);
    });
    setHandler(Cmd::HotelRegister, [this] {
        CHotalRegisterDlg dialog(this);
        DialogRunner::run(dialog);
    });
    setHandler(Cmd::AlertList, [this] { showAlerts(); });
    setHandler(Cmd::Exit, [this] { close(); });
    setHandler(Cmd::About, [this] {
        AboutDialog about(this);
        DialogRunner::run(about);
    });
    setHandler(Cmd::ViewToolBar,
               [this] { m_toolBar->setVisible(m_actions.value(Cmd::ViewToolBar)->isChecked()); });
    setHandler(Cmd::ViewStatusBar,
               [this] { statusBar()->setVisible(m_actions.value(Cmd::ViewStatusBar)->isChecked()); });
}

void CMainFrame::login()
{
    m_session->beginLogin();
    LoginDialog dialog(this);
    if (DialogRunner::run(dialog) == QDialog::Accepted)
        m_session->confirmLogin(dialog.name(), dialog.password());
    else
        m_session->cancelLogin();
}

void CMainFrame::changePort()
{
    PortDialog dialog(this);
    if (DialogRunner::run(dialog) != QDialog::Accepted)
        return;
    const int port = dialog.port();
    if (!SerialPortTable::writePortNumber(port))
        return;
    // The view re-arms the port only when the number changed.
    m_view->setPortNumber(port);
    showStatus();
}

void CMainFrame::managePasswords()
{
    PasswordDialog dialog(this);
    DialogRunner::run(dialog);
}

void CMainFrame::editCdrLayout()
{
    CdrFieldDialog dialog(this);
    if (DialogRunner::run(dialog) == QDialog::Accepted) {
        m_view->reloadLayout();
        showStatus();
    }
}

void CMainFrame::openEditor(int command)
{
    const EditorDef* def = EditorTable::find(command);
    if (!def)
        return;
    EditorDialog::Hooks hooks;
    hooks.loggedIn = [this] { return m_state.loggedIn != 0; };
    hooks.runDialog = [](QDialog& dialog) { return DialogRunner::run(dialog); };
    EditorDialog dialog(*def, std::move(hooks), this);
    if (DialogRunner::run(dialog) != QDialog::Accepted)
        return;
    m_view->afterEditorConfirmed(def->after);
    // The alert rules know the extensions and their departments.
    if (command == Cmd::Extension)
        m_view->afterEditorConfirmed(AfterConfirm::ReloadAlertRules);
    showStatus();
}

void CMainFrame::applyChangeList(ChangeForm form, const QString& list)
{
    if (CollectorLink* collector = m_view->collector()) {
        // The collector's line carries the change; its progress is shown here.
        const QString id = collector->post(QLatin1String(CollectorRequests::ClassChange),
                                           QString::number(int(form)) + '\n' + list);
        if (!id.isEmpty())
            followRemoteChange(id);
        return;
    }
    m_classChange->enqueue(
        ClassChangeJob::forChangeList(form, list, m_state.hotel, CLevelChanger::fromTable()));
}

QProgressDialog& CMainFrame::remoteProgress()
{
    CollectorLink* collector = m_view->collector();
    if (!m_remoteProgress) {
        m_remoteProgress = new QProgressDialog(this);
        m_remoteProgress->setObjectName(QStringLiteral("CollectorChangeProgress"));
        m_remoteProgress->setWindowTitle(QStringLiteral("更改分机级别"));
        m_remoteProgress->setAccessibleName(QStringLiteral("更改分机级别"));
        m_remoteProgress->setCancelButton(nullptr);
        m_remoteProgress->setModal(false);
        m_remoteProgress->setAutoClose(false);
        m_remoteProgress->setAutoReset(false);
        m_remoteProgress->setMinimumDuration(0);
        m_remoteProgress->setRange(0, 0);
        m_remoteProgress->reset();
        m_remoteProgress->hide();
        connect(collector, &CollectorLink::requestProgress, this,
                [this](const QString& request, const QString& text) {
                    if (!m_remoteChanges.contains(request) || text.isEmpty())
                        return;
                    m_remoteProgress->setLabelText(text);
                    m_remoteProgress->show();
                });
        connect(collector, &CollectorLink::requestEnded, this,
                [this](const QString& request, bool ok, const QString& text) {
                    if (!m_remoteChanges.remove(request))
                        return;
                    if (m_remoteChanges.isEmpty()) {
                        m_remoteProgress->hide();
                        m_remoteProgress->reset();
                    }
                    if (!ok && !text.isEmpty())
                        Prompt::inform(text);
                });
    }
    return *m_remoteProgress;
}

void CMainFrame::followRemoteChange(const QString& id)
{
    remoteProgress();
    m_remoteChanges.insert(id);
    m_remoteProgress->setLabelText(QStringLiteral("正在与交换机对话……"));
    m_remoteProgress->show();
}

void CMainFrame::checkIn()
{
    CCheckInDlg dialog(this);
    if (DialogRunner::run(dialog) == QDialog::Accepted)
        applyChangeList(ChangeForm::CheckIn, dialog.changeList().text());
}

void CMainFrame::checkOut()
{
    CCheckOutDlg dialog([this](const QString& extension) { printHotelBill(extension); }, this);
    if (DialogRunner::run(dialog) == QDialog::Accepted)
        applyChangeList(ChangeForm::CheckOut, dialog.changeList().text());
}

void CMainFrame::printHotelBill(const QString& extension)
{
    CHotalBillDlg dialog(this, extension);
    DialogRunner::run(dialog);
}

void CMainFrame::editHotelOptions()
{
    CHotalOptionsDlg dialog(this);
    if (DialogRunner::run(dialog) != QDialog::Accepted)
        return;
    HotelSettings::load(m_state.hotel);
    // The collector sends the automatic change at the deposit: it reads them too.
    if (m_view->collector())
        m_view->askCollector(QLatin1String(CollectorRequests::HotelSettings));
}

void CMainFrame::changeStationClass()
{
    CStationClassDlg dialog(this);
    if (DialogRunner::run(dialog) == QDialog::Accepted)
        applyChangeList(ChangeForm::Manual, dialog.changeList().text());
}

void CMainFrame::showGrid(const QString& caption, const QString& recordSource, bool editable)
{
    GridDialog dialog(caption, recordSource, this);
    if (editable) {
        dialog.model().setAllowUpdate(true);
        dialog.model().setAllowAddNew(true);
        dialog.model().setAllowDelete(true);
    }
    dialog.addCloseButton(QStringLiteral("返回"), QDialog::Accepted);
    DialogRunner::run(dialog);
}

void CMainFrame::showAlerts()
{
    AlertListDialog dialog(
        [this](const QList<int>& ids) {
            // A login that lapsed while the list was open acknowledges nothing.
            const CommandGate::Verdict verdict = CommandGate::check(Cmd::AlertList, m_state);
            if (!verdict.allowed) {
                Prompt::inform(verdict.refusal);
                return -1;
            }
            return AlertDesk::acknowledge(ids, m_session->name());
        },
        this);
    DialogRunner::run(dialog);
    refreshAlertCount();
}

void CMainFrame::refreshAlertCount()
{
    int count = 0;
    try {
        const Prompt::Silence quiet; // a data source that is away is said by intake
        count = AlertLog::unacknowledgedCount(CDatabase::shared());
    } catch (const DbError&) {
        return; // the pane keeps what it showed
    }
    const QString text = QStringLiteral("未确认告警 %1 条").arg(count);
    m_alertPane->setText(text);
    m_alertPane->setAccessibleName(text);
    m_alertPane->setVisible(count > 0);
}

void CMainFrame::showStatus()
{
    m_loginPane->setText(m_state.loggedIn ? QStringLiteral("已登录") : QStringLiteral("请登录"));
    // Beside a collector that is gone or hangs, the port's state is not known.
    const CollectorLink* collector = m_view->collector();
    m_portPane->setText(QStringLiteral("串口%1 %2")
                            .arg(m_view->portNumber())
                            .arg(collector && !collector->answering()
                                     ? QStringLiteral("采集服务没有应答")
                                     : CollectorBeat::linkText(m_view->portLink())));
    m_clockPane->setText(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    const QString report = m_view->reportStatusText();
    m_reportPane->setText(report);
    m_reportPane->setVisible(!report.isEmpty());
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    const bool allowed = m_state.loggedIn != 0;
    // A class change cut off halfway can leave an extension half edited on
    // the exchange: closing then needs a second thought.
    if (allowed && m_classChange->busy() &&
        !Prompt::askOkCancel(
            QStringLiteral("正在向交换机发送分机级别更改，退出将中断发送。\n确定退出吗？"))) {
        event->ignore();
        return;
    }
    AuditLog::write(AuditLog::nobody(), QStringLiteral("关闭计费软件"),
                    allowed ? AuditLog::success() : AuditLog::failure());
    if (allowed) {
        event->accept();
        return;
    }
    event->ignore();
    Prompt::inform(QStringLiteral(
        "You have no right to exit this program!\n login first,please!\n你的操作已经被记录在案!"));
}

} // namespace qalor
