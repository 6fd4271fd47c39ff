#include "collector/CollectorService.h"

#include "app/AppState.h"
#include "app/EditorReload.h"
#include "app/PortArming.h"
#include "app/SerialPortTable.h"
#include "collectordata/CallFeed.h"
#include "collectordata/CollectorBeat.h"
#include "collector/CollectorNotices.h"
#include "collectordata/CollectorTables.h"
#include "collector/StderrPrompt.h"
#include "db/CDatabase.h"
#include "hotel/CLevelChanger.h"
#include "hotel/ClassChangeJob.h"
#include "hotel/HotelSettings.h"
#include "intake/DataFolder.h"
#include "maintenance/CdrSaveOption.h"
#include "rating/AlertChecker.h"
#include "serial/MappedCommControl.h"
#include "serial/PortMapping.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>

namespace qalor {

namespace {
constexpr int BeatMs = 1000;
constexpr int RequestPollMs = 200;
// How often a layout that could not be read is tried again.
constexpr int LayoutRetryMs = 10000;
// Answered requests older than this leave their table.
constexpr qint64 KeepMs = 10 * 60 * 1000;
constexpr int TidyEveryBeats = 60;
// Ready at the latest after this long, also while the device or the data
// source is still awaited: the boot goes on and the status says what is missing.
constexpr int ReadyLimitMs = 20000;
} // namespace

QString CollectorService::lockPath()
{
    return dataFolder() + QStringLiteral("/intake.lock");
}

CollectorService::CollectorService(StderrPrompt& prompt, std::unique_ptr<CommControl> port, QObject* parent)
    : QObject(parent), m_prompt(prompt),
      m_port(port ? std::move(port) : std::make_unique<MappedCommControl>()),
      m_classChange(*m_port, [] { return std::make_unique<MappedCommControl>(); }),
      m_autoDowngrade(m_classChange, AppState::instance().hotel), m_lock(lockPath()), m_portLog(*m_port),
      m_name(CollectorTables::processName())
{
    m_port->setSettings(QStringLiteral("9600,N,8,1"));
    m_classChange.setIntakeHold([this] { m_intake->hold(); }, [this] { m_intake->release(); });
    connect(&m_calls, &ReceivedCallsModel::callAdded, this, &CollectorService::passOn);
    connect(&m_classChange, &ClassChangeSender::sending, this, [this](const QString& extension, int, int) {
        m_changeExtension = extension;
        if (!m_changes.isEmpty() && m_classChange.current().reason.isEmpty()) {
            const Prompt::Silence quiet;
            try {
                CollectorRequests::answer(m_changes.head(), m_name, CollectorRequests::Running,
                                          m_classChange.progressText(extension));
            } catch (const DbError&) {
            }
        }
    });
    // The windows that follow this collector say a change at the deposit as
    // they say their own: when it starts, and that it ended.
    connect(&m_classChange, &ClassChangeSender::sending, this, [this](const QString& extension, int, int) {
        if (!m_telling && !m_classChange.current().reason.isEmpty()) {
            m_telling = true;
            tell(m_classChange.progressText(extension));
        }
    });
    connect(&m_classChange, &ClassChangeSender::changeFinished, this, [this] {
        if (std::exchange(m_telling, false))
            tell(QString());
    });
    connect(&m_classChange, &ClassChangeSender::changeFinished, this, &CollectorService::answerChange);
    connect(&m_engine.alerts(), &AlertChecker::alertRaised, this,
            [](const Alert& alert) { StderrPrompt::log(alert.line()); });
    m_beatTimer.setInterval(BeatMs);
    connect(&m_beatTimer, &QTimer::timeout, this, &CollectorService::beat);
    m_requestTimer.setInterval(RequestPollMs);
    connect(&m_requestTimer, &QTimer::timeout, this, &CollectorService::takeRequests);
    m_layoutRetry.setInterval(LayoutRetryMs);
    connect(&m_layoutRetry, &QTimer::timeout, this, &CollectorService::retryLayout);
    m_readyLimit.setSingleShot(true);
    m_readyLimit.setInterval(ReadyLimitMs);
    connect(&m_readyLimit, &QTimer::timeout, this, [this] {
        m_notifier.ready(m_sourceAnswered ? PortLog::stateText(*m_port)
                                          : QStringLiteral("数据源无法连接; ") + PortLog::stateText(*m_port));
    });
    connect(&m_portLog, &PortLog::said, &m_notifier, &ServiceNotifier::status);
}

CollectorService::~CollectorService()
{
    if (AutoClassChange::installed() == &m_autoDowngrade)
        AutoClassChange::install(nullptr);
    if (m_intake)
        m_intake->closeRawStore();
}

bool CollectorService::start(int port)
{
    const QString folder = dataFolder();
    if (!QDir().mkpath(folder)) {
        QString text = QStringLiteral("数据目录%1不能建立,采集服务不能启动.").arg(folder);
        if (qEnvironmentVariableIsEmpty("HOME") && qEnvironmentVariableIsEmpty("QALOR_DATA_DIR"))
            text += QStringLiteral(" 环境变量HOME未设置; 可用QALOR_DATA_DIR指定数据目录.");
        Prompt::inform(text);
        return false;
    }
    if (!m_lock.tryLock()) {
        Prompt::inform(
            m_lock.error().isEmpty()
                ? QStringLiteral("数据目录%1正由另一个程序(计费软件或采集服务)使用,采集服务不能启动.")
                      .arg(folder)
                : QStringLiteral("数据目录%1不能使用(%2),采集服务不能启动.").arg(folder, m_lock.error()));
        return false;
    }
    m_portNumber = port > 0 ? port : SerialPortTable::readPortNumber();
    // The line's own lock decides, between collectors and workstations of
    // this machine whatever their data folders.
    if (!takeCdrPort(*m_port, m_portNumber)) {
        Prompt::inform(
            QStringLiteral("串口COM%1 (%2)正由另一个程序(计费软件或采集服务)读取,采集服务不能启动.")
                .arg(m_portNumber)
                .arg(serialDeviceForPort(m_portNumber)));
        return false;
    }
    {
        // Rows of collectors killed on this machine would stay for ever.
        const Prompt::Silence quiet;
        try {
            CollectorBeat::forgetDead();
            // A process number of a collector long gone may be this one's.
            CollectorRequests::dropStale(m_name);
        } catch (const DbError&) {
        }
    }
    // The journals are this program's now: what the last run left is taken up.
    m_intake.emplace(*m_port, m_engine, m_calls, m_report);
    m_intake->followHotelSettings(AppState::instance().hotel);
    m_processor.emplace(*m_intake, m_engine, m_report);
    HotelSettings::load(AppState::instance().hotel);
    AutoClassChange::install(&m_autoDowngrade);
    m_intake->openRawStore();
    m_intake->setSaveRaw(CdrSaveOption::load());
    // Lines collected before the program last ended wait for 计算REPORT数据.
    m_report.restore();
    arm();
    m_portLog.settle();
    connect(m_port.get(), &CommControl::linkChanged, this, &CollectorService::linkChanged,
            Qt::UniqueConnection);
    // Characters the last run read and did not finish are handled first.
    m_intake->drain();
    m_started = true;
    beat();
    m_beatTimer.start();
    m_requestTimer.start();
    Prompt::inform(QStringLiteral("采集服务已启动: 串口%1 (%2), 数据目录%3.")
                       .arg(m_portNumber)
                       .arg(serialDeviceForPort(m_portNumber), folder));
    m_readyLimit.start();
    checkReady();
    return true;
}

void CollectorService::linkChanged()
{
    if (!m_started)
        return;
    if (m_port->takenByOther()) {
        // The device came, and another program took it first.
        Prompt::inform(QStringLiteral("串口COM%1 (%2)正由另一个程序(计费软件或采集服务)读取,采集服务停止.")
                           .arg(m_portNumber)
                           .arg(serialDeviceForPort(m_portNumber)));
        stop();
        QCoreApplication::exit(1);
        return;
    }
    checkReady();
}

void CollectorService::checkReady()
{
    // Ready once calls can be taken: the line is up and the data source answers.
    const CommControl::Link link = m_port->link();
    if (m_sourceAnswered && (link == CommControl::Link::Open || link == CommControl::Link::Connected)) {
        m_readyLimit.stop();
        m_notifier.ready(PortLog::stateText(*m_port));
    }
}

void CollectorService::stop()
{
    if (!m_started)
        return;
    m_started = false;
    m_notifier.stopping();
    m_beatTimer.stop();
    m_requestTimer.stop();
    m_readyLimit.stop();
    // Closing drops what the control holds: into the journal first.
    m_intake->takeIn();
    m_port->setPortOpen(false);
    const Prompt::Silence quiet;
    try {
        CollectorBeat::remove(m_name);
    } catch (const DbError&) {
    }
    m_lock.unlock();
}

void CollectorService::arm()
{
    armCdrPort(*m_port, *m_intake, m_portNumber, m_engine.cdrLineLength());
    if (m_engine.cdrLineLength() == 0 && m_engine.layoutUnavailable())
        m_layoutRetry.start();
    else
        m_layoutRetry.stop();
}

bool CollectorService::retryLayout()
{
    if (!m_engine.layoutUnavailable() || m_engine.retryLayoutQuietly()) {
        m_layoutRetry.stop();
        arm();
        m_intake->drain();
        return true;
    }
    return false;
}

void CollectorService::beat()
{
    if (!m_started)
        return;
    dropVanishedHolds();
    if (!writeBeat())
        return;
    const Prompt::Silence quiet;
    try {
        if (!m_changes.isEmpty() && m_classChange.current().reason.isEmpty())
            CollectorRequests::answer(m_changes.head(), m_name, CollectorRequests::Running,
                                      m_classChange.progressText(m_changeExtension));
        if (++m_beats % TidyEveryBeats == 1) {
            const qint64 now = QDateTime::currentMSecsSinceEpoch();
            CallFeed::forget();
            CollectorRequests::forgetAnswered(m_name, now - KeepMs);
            CollectorNotices::forget(m_name, now - KeepMs);
        }
    } catch (const DbError&) {
    }
}

bool CollectorService::writeBeat()
{
    if (CDatabase::shared().inTransaction())
        return false;
    CollectorBeat row;
    row.service = m_name;
    row.host = CollectorTables::hostName();
    row.port = m_portNumber;
    row.pid = QCoreApplication::applicationPid();
    row.link = m_port->link();
    row.reportWaiting = m_report.size();
    row.reportMode = m_intake->reportMode();
    row.beatMs = QDateTime::currentMSecsSinceEpoch();
    // An unreachable data source is reported by the intake; the beat is quiet.
    const Prompt::Silence quiet;
    try {
        row.write();
    } catch (const DbError&) {
        return false;
    }
    if (!m_sourceAnswered) {
        m_sourceAnswered = true;
        checkReady();
    }
    return true;
}

void CollectorService::dropVanishedHolds()
{
    // A window that ended (or was killed) while it held intake never sends
    // its release: its calls would wait for ever.
    for (auto hold = m_holds.begin(); hold != m_holds.end();) {
        if (CollectorBeat::processAlive(hold.value())) {
            ++hold;
            continue;
        }
        hold = m_holds.erase(hold);
        m_intake->release();
    }
}

void CollectorService::takeRequests()
{
    if (!m_started || m_handling || CDatabase::shared().inTransaction())
        return;
    m_handling = true;
    QList<CollectorRequests::Request> requests;
    {
        const Prompt::Silence quiet;
        try {
            for (auto unsent = m_unsent.begin(); unsent != m_unsent.end();) {
                CollectorRequests::answer(unsent.key(), m_name, unsent->first, unsent->second);
                unsent = m_unsent.erase(unsent);
            }
            // A claim whose answer was lost may have landed: then the
            // request runs now (no other program claims in this name).
            for (const QString& id : std::exchange(m_unsure, {})) {
                const CollectorRequests::Request request = CollectorRequests::read(id);
                if (request.state == CollectorRequests::Running)
                    requests.append(request);
            }
            requests += CollectorRequests::waiting(m_name);
        } catch (const DbError&) {
        }
    }
    for (const CollectorRequests::Request& request : std::as_const(requests))
        handle(request);
    m_handling = false;
}

void CollectorService::handle(const CollectorRequests::Request& request)
{
    if (request.state == CollectorRequests::Waiting) {
        try {
            const Prompt::Silence quiet;
            if (!CollectorRequests::claim(request.id, m_name))
                return; // taken or answered meanwhile
        } catch (const DbError&) {
            m_unsure.insert(request.id);
            return;
        }
    }
    m_prompt.keep();
    bool async = false;
    bool ok = false;
    runGuarded(QStringLiteral("Unknown Error in collector request."), [&] { ok = run(request, async); });
    const QStringList said = m_prompt.taken();
    if (async)
        return;
    sendAnswer(request.id, ok ? CollectorRequests::Done : CollectorRequests::Failed,
               said.join(QLatin1Char('\n')));
}

void CollectorService::sendAnswer(const QString& id, CollectorRequests::State state, const QString& text)
{
    const Prompt::Silence quiet;
    try {
        CollectorRequests::answer(id, m_name, state, text);
        return;
    } catch (const DbError&) {
    }
    // Sent again at the next look: the window waits for it.
    m_unsent.insert(id, {state, text});
}

bool CollectorService::run(const CollectorRequests::Request& request, bool& async)
{
    const QString& kind = request.kind;
    if (kind == QLatin1String(CollectorRequests::OpenPort))
        return openCdrPort(*m_port);
    if (kind == QLatin1String(CollectorRequests::ClosePort)) {
        m_intake->takeIn();
        m_port->setPortOpen(false);
        return true;
    }
    if (kind == QLatin1String(CollectorRequests::SetPort)) {
        const int number = request.argument.toInt();
        if (number < 1)
            return false;
        if (number != m_portNumber) {
            m_portNumber = number;
            arm();
        }
        return m_port->portOpen();
    }
    if (kind == QLatin1String(CollectorRequests::Reload)) {
        reloadAfterConfirm(m_engine, AfterConfirm(request.argument.toInt()));
        return true;
    }
    if (kind == QLatin1String(CollectorRequests::ReloadLayout)) {
        m_intake->takeIn();
        m_port->setPortOpen(false);
        const bool loaded = m_engine.LoadLayout();
        if (!loaded)
            Prompt::inform(QStringLiteral("重新装载CDR输出字段定义表出错."));
        arm();
        return loaded;
    }
    if (kind == QLatin1String(CollectorRequests::Hold)) {
        m_holds.insert(request.id, CollectorRequests::requesterPid(request.id));
        m_intake->hold();
        return true;
    }
    if (kind == QLatin1String(CollectorRequests::Release)) {
        if (m_holds.remove(request.argument) > 0)
            m_intake->release();
        return true;
    }
    if (kind == QLatin1String(CollectorRequests::SaveRaw)) {
        m_intake->setSaveRaw(request.argument == QLatin1String("1"));
        return true;
    }
    if (kind == QLatin1String(CollectorRequests::ReceiveReport)) {
        m_intake->setReportMode(true);
        return true;
    }
    if (kind == QLatin1String(CollectorRequests::ComputeReport)) {
        computeReport();
        return true;
    }
    if (kind == QLatin1String(CollectorRequests::HotelSettings)) {
        HotelSettings::load(AppState::instance().hotel);
        return true;
    }
    if (kind == QLatin1String(CollectorRequests::ClassChange)) {
        // The form, a line break, the change list. The settings are read
        // again: the window may have changed the route since.
        const qsizetype cut = request.argument.indexOf(QLatin1Char('\n'));
        const ChangeForm form = ChangeForm(request.argument.left(cut).toInt());
        HotelSettings& settings = AppState::instance().hotel;
        HotelSettings::load(settings);
        m_classChange.enqueue(ClassChangeJob::forChangeList(form, request.argument.mid(cut + 1), settings,
                                                            CLevelChanger::fromTable()));
        m_changes.enqueue(request.id);
        async = true;
        return true;
    }
    Prompt::inform(QStringLiteral("采集服务不认识请求\"%1\".").arg(kind));
    return false;
}

void CollectorService::answerChange(bool ok)
{
    // The automatic downgrade at the deposit is nobody's request.
    if (m_changes.isEmpty() || !m_classChange.current().reason.isEmpty())
        return;
    const QString id = m_changes.dequeue();
    sendAnswer(id, ok ? CollectorRequests::Done : CollectorRequests::Failed,
               ok ? QString() : m_prompt.last());
}

void CollectorService::computeReport()
{
    // The port is closed while the batch runs, so that no new line interleaves.
    m_intake->takeIn();
    m_port->setPortOpen(false);
    // A long batch keeps the watchdog fed and the windows' view of this
    // collector fresh: it is turning, only not through the event loop.
    QElapsedTimer sinceBeat;
    sinceBeat.start();
    const ReportProcessor::Result result = m_processor->compute([this, &sinceBeat](int, int) {
        m_notifier.keepAlive();
        if (sinceBeat.elapsed() >= BeatMs) {
            sinceBeat.start();
            writeBeat();
        }
        return true;
    });
    if (m_report.isEmpty())
        m_intake->setReportMode(false);
    openCdrPort(*m_port);
    Prompt::inform(ReportProcessor::summaryText(result));
}

void CollectorService::tell(const QString& text)
{
    m_noticeNumber = qMax(m_noticeNumber + 1, QDateTime::currentMSecsSinceEpoch());
    const Prompt::Silence quiet;
    try {
        CollectorNotices::add(m_name, m_noticeNumber, text);
    } catch (const DbError&) {
        // Only the windows miss it; the change goes on.
    }
}

void CollectorService::passOn(const PricedCall& call)
{
    const Prompt::Silence quiet;
    try {
        CallFeed::append(m_name, call);
    } catch (const DbError&) {
        // The call is stored; only the windows' lists miss it.
    }
}

} // namespace qalor
