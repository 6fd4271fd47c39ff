#include "collector/CollectorLink.h"

#include "collectordata/CallFeed.h"
#include "collector/CollectorNotices.h"
#include "collector/CollectorRequests.h"
#include "db/CDatabase.h"
#include "prompt/Prompt.h"

#include <QDeadlineTimer>
#include <QEventLoop>

namespace qalor {

namespace {
// Calls appear in the list well within two seconds of their storing.
constexpr int PollMs = 500;
constexpr int AskPollMs = 100;
} // namespace

std::unique_ptr<CollectorLink> CollectorLink::follow(int port, QObject* parent)
{
    CollectorBeat beat;
    beat.port = port;
    const Prompt::Silence quiet;
    try {
        if (const std::optional<CollectorBeat> live = CollectorBeat::findLive(port))
            beat = *live;
    } catch (const DbError&) {
    }
    return std::make_unique<CollectorLink>(beat, parent);
}

CollectorLink::CollectorLink(const CollectorBeat& beat, QObject* parent) : QObject(parent), m_beat(beat)
{
    {
        const Prompt::Silence quiet;
        try {
            // The list starts empty, as at every start: calls from now on.
            m_seen = CallFeed::newest();
            if (!m_beat.service.isEmpty())
                m_noticeOf.insert(m_beat.service, CollectorNotices::newest(m_beat.service));
        } catch (const DbError&) {
        }
    }
    m_poll.setInterval(PollMs);
    connect(&m_poll, &QTimer::timeout, this, &CollectorLink::poll);
    m_poll.start();
}

bool CollectorLink::answering() const
{
    return !m_beat.service.isEmpty() && m_beat.fresh() && CollectorBeat::processAlive(m_beat.pid);
}

CommControl::Link CollectorLink::link() const
{
    // A collector that stopped beating, or was killed, reads no port.
    return answering() ? m_beat.link : CommControl::Link::Closed;
}

QString CollectorLink::noAnswerText()
{
    return QStringLiteral("采集服务没有应答,请检查采集服务是否在运行.");
}

void CollectorLink::poll()
{
    // Never inside the window's own transaction (maintenance, a batch).
    if (CDatabase::shared().inTransaction())
        return;
    const Prompt::Silence quiet;
    try {
        readBeat();
        readCalls();
        readRequests();
        readNotices();
    } catch (const DbError&) {
        // The data source is away; the next look tries again.
    }
}

void CollectorLink::readBeat()
{
    const bool wasAnswering = answering();
    const CommControl::Link before = link();
    std::optional<CollectorBeat> beat = CollectorBeat::read(m_beat.service);
    if (!beat || !beat->fresh() || !CollectorBeat::processAlive(beat->pid)) {
        // Restarted as a service is: a new process beats for the same port.
        if (std::optional<CollectorBeat> next = CollectorBeat::findLive(m_beat.port))
            beat = next;
    }
    if (beat)
        m_beat = *beat;
    if (link() != before || answering() != wasAnswering || beat)
        emit stateChanged();
}

void CollectorLink::readCalls()
{
    // Numbers follow the order of the commits: nothing below the last one
    // read can still come.
    for (const CallFeed::Entry& entry : CallFeed::after(m_seen)) {
        m_seen = entry.number;
        emit callArrived(entry.call);
    }
}

void CollectorLink::readNotices()
{
    if (m_beat.service.isEmpty())
        return;
    qint64& seen = m_noticeOf[m_beat.service];
    for (const CollectorNotices::Notice& notice : CollectorNotices::after(m_beat.service, seen)) {
        seen = notice.number;
        emit noticeArrived(notice.text);
    }
}

void CollectorLink::readRequests()
{
    for (auto posted = m_posted.begin(); posted != m_posted.end();) {
        const CollectorRequests::Request request = CollectorRequests::read(posted.key());
        if (request.state == CollectorRequests::Done || request.state == CollectorRequests::Failed) {
            const QString id = posted.key();
            posted = m_posted.erase(posted);
            emit requestEnded(id, request.state == CollectorRequests::Done, request.text);
            continue;
        }
        if (request.state == CollectorRequests::Running && request.text != posted.value()) {
            posted.value() = request.text;
            emit requestProgress(posted.key(), request.text);
        }
        ++posted;
    }
}

QString CollectorLink::post(const QString& kind, const QString& argument)
{
    if (!answering()) {
        Prompt::inform(noAnswerText());
        return QString();
    }
    try {
        const QString id = CollectorRequests::post(m_beat.service, kind, argument);
        m_posted.insert(id, QString());
        return id;
    } catch (const DbError& error) {
        Prompt::inform(error.message());
    }
    return QString();
}

QString CollectorLink::send(const QString& kind, const QString& argument)
{
    if (!answering())
        return QString();
    try {
        return CollectorRequests::post(m_beat.service, kind, argument);
    } catch (const DbError& error) {
        Prompt::inform(error.message());
    }
    return QString();
}

CollectorLink::Answer CollectorLink::ask(const QString& kind, const QString& argument,
                                         const std::function<void(const QString&)>& progress, int timeoutMs)
{
    if (!answering())
        return {false, noAnswerText()};
    QString id;
    try {
        id = CollectorRequests::post(m_beat.service, kind, argument);
    } catch (const DbError& error) {
        return {false, error.message()};
    }
    return wait(id, progress, timeoutMs);
}

CollectorLink::Answer CollectorLink::wait(const QString& id,
                                          const std::function<void(const QString&)>& progress, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    // A request is the collector's that took it: one that ends (killed, or
    // stopped and started again as a new process) never answers it.
    const QString asked = m_beat.service;
    QString told;
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(AskPollMs);
    connect(&tick, &QTimer::timeout, &loop, &QEventLoop::quit);
    tick.start();
    while (!deadline.hasExpired()) {
        CollectorRequests::Request request;
        try {
            const Prompt::Silence quiet;
            request = CollectorRequests::read(id);
        } catch (const DbError&) {
        }
        if (request.state == CollectorRequests::Done || request.state == CollectorRequests::Failed)
            return {request.state == CollectorRequests::Done, request.text};
        if (progress && request.state == CollectorRequests::Running && request.text != told) {
            told = request.text;
            progress(told);
        }
        if (m_beat.service != asked || !CollectorBeat::processAlive(m_beat.pid))
            break;
        loop.exec();
    }
    return {false, noAnswerText()};
}

} // namespace qalor
