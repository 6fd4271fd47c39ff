#include "collector/CollectorService.h"

#include "collector/StderrPrompt.h"
#include "collectordata/CollectorBeat.h"
#include "db/CDatabase.h"
#include "hotel/CLevelChanger.h"
#include "hotel/ClassChangeJob.h"
#include "hotel/HotelSettings.h"
#include "receiving/CdrPort.h"
#include "station/AppState.h"
#include "station/EditorReload.h"

// What the windows of this machine ask of the collector in 采集请求表: each
// request is claimed, done and answered; a hold lasts while the window that
// asked for it lives, and a class change is answered when it ended.

namespace qalor {

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

} // namespace qalor
