#include "collector/ServiceNotifier.h"

#include <systemd/sd-daemon.h>

namespace qalor {

ServiceNotifier::ServiceNotifier(QObject* parent) : QObject(parent)
{
    uint64_t watchdogUsec = 0;
    if (sd_watchdog_enabled(0, &watchdogUsec) > 0 && watchdogUsec > 0) {
        m_watchdog.setInterval(int(qMax<uint64_t>(watchdogUsec / 2000, 1)));
        connect(&m_watchdog, &QTimer::timeout, this, [this] {
            m_sent.start();
            send(QStringLiteral("WATCHDOG=1"));
        });
        m_watchdog.start();
    }
}

void ServiceNotifier::send(const QString& state)
{
    sd_notify(0, state.toUtf8().constData());
}

void ServiceNotifier::ready(const QString& status)
{
    if (m_ready)
        return;
    m_ready = true;
    send(QStringLiteral("READY=1\nSTATUS=") + status);
}

void ServiceNotifier::status(const QString& text)
{
    send(QStringLiteral("STATUS=") + text);
}

void ServiceNotifier::keepAlive()
{
    if (!m_watchdog.isActive() || (m_sent.isValid() && m_sent.elapsed() < m_watchdog.interval()))
        return;
    m_sent.start();
    send(QStringLiteral("WATCHDOG=1"));
}

void ServiceNotifier::stopping()
{
    m_watchdog.stop();
    send(QStringLiteral("STOPPING=1"));
}

} // namespace qalor
