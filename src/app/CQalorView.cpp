#include "app/CQalorView.h"

#include "access/AuditLog.h"
#include "app/ReceivedCallsView.h"
#include "app/ReportProgress.h"
#include "app/UnframedDialog.h"
#include "db/sets/CCdrSaveSet.h"
#include "gui/DialogRunner.h"
#include "intake/DataFolder.h"
#include "rating/CCallRater.h"
#include "receiving/CallIntake.h"
#include "receiving/CdrPort.h"
#include "receiving/ReceivedCallsModel.h"
#include "receiving/ReportLines.h"
#include "receiving/ReportProcessor.h"
#include "serial/MappedCommControl.h"
#include "serial/PortMapping.h"
#include "station/AppState.h"
#include "station/CollectorLink.h"
#include "station/CollectorRequests.h"
#include "station/EditorReload.h"
#include "station/IntakeLock.h"
#include "station/PortArming.h"
#include "station/SerialPortTable.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <optional>

namespace qalor {

namespace {

// How often a layout that could not be read is tried again.
constexpr int LayoutRetryMs = 10000;
// How long maintenance waits for the collector to hold its intake.
constexpr int HoldAnswerMs = 10000;

QLabel* makeIndicator(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAccessibleName(text);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("QLabel { color: rgb(255,0,0); background-color: rgb(0,0,128);"
                                        " font-weight: bold; padding: 2px 8px; }"));
    return label;
}

} // namespace

struct CQalorView::Private
{
    explicit Private(std::unique_ptr<CommControl> control)
        : port(control ? std::move(control) : std::make_unique<MappedCommControl>())
    {
    }

    std::unique_ptr<CommControl> port;
    CCallRater engine;
    ReceivedCallsModel calls;
    ReportLines report;
    // The window's own intake while it reads the port. When another program
    // reads it, the window never touches the port or the journals and asks
    // the collector instead.
    std::optional<CallIntake> intake;
    std::optional<ReportProcessor> processor;
    std::unique_ptr<CollectorLink> collector;
    // Kept while the window reads the port, so that no collector takes the
    // same journals meanwhile.
    std::unique_ptr<IntakeLock> journals;
    QString heldBy; // the collector's hold of this window, while it lasts
    int holds = 0;
    QString startTime;
    int portNumber = 1;
    QTimer layoutRetry;

    QLineEdit* startEdit = nullptr;
    QLabel* loggedIn = nullptr;
    QLabel* pleaseLogin = nullptr;
    ReceivedCallsView* list = nullptr;
};

CQalorView::CQalorView(std::unique_ptr<CommControl> port, QWidget* parent)
    : QWidget(parent), d(std::make_unique<Private>(std::move(port)))
{
    d->port->setSettings(QStringLiteral("9600,N,8,1"));
    d->layoutRetry.setInterval(LayoutRetryMs);
    connect(&d->layoutRetry, &QTimer::timeout, this, &CQalorView::retryMissingLayout);

    d->startTime = QDateTime::currentDateTime().toString(QStringLiteral("yyyy年MM月dd日 HH时mm分ss秒"));
    d->portNumber = SerialPortTable::readPortNumber();
    // The locks alone decide whether this window reads the port: the
    // journals' lock (a program on the same data folder) and the line's own
    // lock (any program of this machine, whatever its folder). A journals'
    // lock that cannot be made at all leaves the window reading: its
    // journals then say what is wrong.
    QDir().mkpath(dataFolder());
    d->journals = std::make_unique<IntakeLock>(IntakeLock::pathInDataFolder());
    const bool journalsFree = d->journals->tryLock() || !d->journals->error().isEmpty();
    if (journalsFree && takeCdrPort(*d->port, d->portNumber)) {
        d->intake.emplace(*d->port, d->engine, d->calls, d->report);
        d->intake->followHotelSettings(AppState::instance().hotel);
        d->processor.emplace(*d->intake, d->engine, d->report);
        d->intake->setReportMode(false);
        d->intake->openRawStore();
    } else {
        d->journals.reset();
        d->collector = CollectorLink::follow(d->portNumber);
        connect(d->collector.get(), &CollectorLink::callArrived, &d->calls, &ReceivedCallsModel::addCall);
        if (!d->collector->answering())
            Prompt::inform(
                QStringLiteral("串口COM%1 (%2)正由另一个程序(计费软件或采集服务)读取,本计费软件不读取该串口.")
                    .arg(d->portNumber)
                    .arg(serialDeviceForPort(d->portNumber)));
    }
    AuditLog::write(AuditLog::nobody(), QStringLiteral("启动计费软件"), AuditLog::success());
    if (d->intake) {
        runGuarded(QStringLiteral("Unkown error in Open table CdrSave"), [this] {
            CCdrSaveSet save;
            save.open();
            save.moveFirst();
            if (!save.isEOF())
                d->intake->setSaveRaw(save.bit(CCdrSaveSet::SaveCdr));
            save.close();
        });
        // Lines collected before the program last ended are still waiting to be
        // computed: take them back, but start in live intake as always (the
        // status bar shows how many wait for 计算REPORT数据).
        d->report.restore();
    }

    auto* startLabel = new QLabel(QStringLiteral("启动时间:"), this);
    d->startEdit = new QLineEdit(d->startTime, this);
    d->startEdit->setReadOnly(true);
    d->startEdit->setAccessibleName(QStringLiteral("启动时间"));
    startLabel->setBuddy(d->startEdit);
    d->loggedIn = makeIndicator(QStringLiteral("已登录"), this);
    d->pleaseLogin = makeIndicator(QStringLiteral("请登录"), this);

    d->list = new ReceivedCallsView(d->calls, this);

    // The list takes whatever room the window gives; the start time and the
    // login indicator (one of the two is shown) stay in the row below it.
    d->startEdit->setMinimumWidth(240);
    d->loggedIn->setMinimumWidth(80);
    d->pleaseLogin->setMinimumWidth(80);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(startLabel);
    bottom->addWidget(d->startEdit);
    bottom->addStretch(1);
    bottom->addWidget(d->loggedIn);
    bottom->addWidget(d->pleaseLogin);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 4, 20, 10);
    layout->setSpacing(10);
    layout->addWidget(d->list, 1);
    layout->addLayout(bottom);
    setMinimumSize(780, 486);

    d->loggedIn->setVisible(false);
    d->pleaseLogin->setVisible(true);
}

CQalorView::~CQalorView()
{
    if (d->intake)
        d->intake->closeRawStore();
    // A hold the collector still keeps for this window ends with it.
    if (d->collector && !d->heldBy.isEmpty())
        d->collector->post(QLatin1String(CollectorRequests::Release), d->heldBy);
}

void CQalorView::initialUpdate()
{
    if (d->intake) {
        armPort();
        // Characters the last run read and did not finish are handled first.
        d->intake->drain();
    }
    setLoginIndicator(false);
    d->calls.resetCounter();
    d->list->fitColumnsToHeadings();
}

CCallRater& CQalorView::engine()
{
    return d->engine;
}

CommControl& CQalorView::cdrPort()
{
    return *d->port;
}

ReceivedCallsModel& CQalorView::receivedCalls()
{
    return d->calls;
}

QString CQalorView::startTimeText() const
{
    return d->startTime;
}

void CQalorView::setLoginIndicator(bool loggedIn)
{
    d->loggedIn->setVisible(loggedIn);
    d->pleaseLogin->setVisible(!loggedIn);
}

CollectorLink* CQalorView::collector() const
{
    return d->collector.get();
}

CommControl::Link CQalorView::portLink() const
{
    return d->collector ? d->collector->link() : d->port->link();
}

bool CQalorView::askCollector(const QString& kind, const QString& argument, int timeoutMs)
{
    const CollectorLink::Answer answer = d->collector->ask(kind, argument, {}, timeoutMs);
    if (!answer.text.isEmpty())
        Prompt::inform(answer.text);
    return answer.ok;
}

void CQalorView::armPort()
{
    if (!d->intake) {
        askCollector(QLatin1String(CollectorRequests::SetPort), QString::number(d->portNumber));
        return;
    }
    const int lineLength = d->engine.cdrLineLength();
    armCdrPort(*d->port, *d->intake, d->portNumber, lineLength);
    if (lineLength == 0 && d->engine.layoutUnavailable())
        d->layoutRetry.start();
    else
        d->layoutRetry.stop();
}

bool CQalorView::retryMissingLayout()
{
    if (!d->intake || !d->engine.layoutUnavailable()) {
        d->layoutRetry.stop();
        return true;
    }
    if (!d->engine.retryLayoutQuietly())
        return false;
    d->layoutRetry.stop();
    // The port stays open: what it holds are calls printed meanwhile.
    const int lineLength = d->engine.cdrLineLength();
    d->port->setRThreshold(lineLength);
    d->port->setInputLen(lineLength);
    d->intake->setLineLength(lineLength);
    d->intake->drain();
    return true;
}

void CQalorView::openPort()
{
    if (!d->intake) {
        askCollector(QLatin1String(CollectorRequests::OpenPort));
        return;
    }
    openCdrPort(*d->port);
}

void CQalorView::closePort()
{
    if (!d->intake) {
        askCollector(QLatin1String(CollectorRequests::ClosePort));
        return;
    }
    // Closing drops what the control holds: take it into the journal first.
    d->intake->takeIn();
    d->port->setPortOpen(false);
}

int CQalorView::portNumber() const
{
    return d->portNumber;
}

void CQalorView::setPortNumber(int port)
{
    if (port == d->portNumber)
        return;
    d->portNumber = port;
    armPort();
}

void CQalorView::holdIntake()
{
    if (d->intake) {
        d->intake->hold();
        return;
    }
    // The collector holds its intake before the maintenance begins; one
    // that does not answer is not waited for (the table lock still keeps
    // its calls out of the maintenance's transaction).
    if (d->holds++ > 0)
        return;
    d->heldBy = d->collector->send(QLatin1String(CollectorRequests::Hold));
    if (!d->heldBy.isEmpty())
        d->collector->wait(d->heldBy, {}, HoldAnswerMs);
}

void CQalorView::releaseIntake()
{
    if (d->intake) {
        d->intake->release();
        return;
    }
    if (d->holds == 0 || --d->holds > 0)
        return;
    if (!d->heldBy.isEmpty())
        d->collector->post(QLatin1String(CollectorRequests::Release), std::exchange(d->heldBy, QString()));
}

bool CQalorView::saveRaw() const
{
    return d->intake ? d->intake->saveRaw() : false;
}

void CQalorView::setSaveRaw(bool on)
{
    if (!d->intake) {
        askCollector(QLatin1String(CollectorRequests::SaveRaw),
                     on ? QStringLiteral("1") : QStringLiteral("0"));
        return;
    }
    d->intake->setSaveRaw(on);
}

void CQalorView::receiveReport()
{
    if (!d->intake) {
        askCollector(QLatin1String(CollectorRequests::ReceiveReport));
        return;
    }
    d->intake->setReportMode(true);
}

void CQalorView::computeReport()
{
    if (!d->intake) {
        // The collector closes its port while the batch runs and says what it did.
        askCollector(QLatin1String(CollectorRequests::ComputeReport), QString(), 3600 * 1000);
        return;
    }
    closePort();
    ReportProcessor::Result result;
    {
        ReportProgress progress(d->report.size(), this); // gone before the summary is shown
        result = d->processor->compute([&progress](int done, int) { return progress.step(done); });
    }
    if (d->report.isEmpty())
        d->intake->setReportMode(false);
    openPort();
    Prompt::inform(ReportProcessor::summaryText(result));
}

void CQalorView::recutUnframed()
{
    if (!d->intake) {
        Prompt::inform(collectorKeepsText());
        return;
    }
    int remaining = 0;
    const int lines = d->intake->recutUnframed(remaining);
    Prompt::inform(
        QStringLiteral("切分出%1条CDR记录,请用\"计算REPORT数据\"计算;仍有%2段数据不符合CDR字段定义.")
            .arg(lines)
            .arg(remaining));
    if (remaining == 0)
        return;
    // What is left can be looked at, and discarded when it is known to be
    // no call at all.
    UnframedDialog pieces(
        d->intake->unframedPieces(), [this] { return d->intake->discardUnframed(); }, this);
    pieces.allowJoining([this](qint64 head) { return d->intake->joinableLine(head); },
                        [this](qint64 head) { return d->intake->joinUnframed(head); },
                        [this] { return d->intake->unframedPieces(); });
    DialogRunner::run(pieces);
}

QString CQalorView::collectorKeepsText()
{
    return QStringLiteral("未成行的CDR数据保存在采集服务的数据目录中,请在采集服务停止后用计费软件处理.");
}

bool CQalorView::reportMode() const
{
    if (!d->intake)
        return d->collector->collector().reportMode;
    return d->intake->reportMode();
}

int CQalorView::collectedReportLines() const
{
    if (!d->intake)
        return d->collector->collector().reportWaiting;
    return d->report.size();
}

QString CQalorView::reportStatusText() const
{
    return ReportLines::statusText(collectedReportLines(), reportMode());
}

void CQalorView::afterEditorConfirmed(AfterConfirm action)
{
    if (d->collector) {
        // The collector prices the calls: its engine reloads.
        askCollector(QLatin1String(CollectorRequests::Reload), QString::number(int(action)));
        return;
    }
    reloadAfterConfirm(d->engine, action);
}

void CQalorView::reloadLayout()
{
    if (d->collector) {
        askCollector(QLatin1String(CollectorRequests::ReloadLayout));
        return;
    }
    closePort();
    if (!d->engine.LoadLayout())
        Prompt::inform(QStringLiteral("重新装载CDR输出字段定义表出错."));
    armPort();
}

} // namespace qalor
