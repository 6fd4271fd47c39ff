#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

namespace qalor {

// What the collector tells systemd as a service of Type=notify: that it is
// ready, a line of status, and, when the unit asks for a watchdog, a
// keep-alive from the event loop at half the watchdog's interval; a loop
// that stops turning stops them, and systemd restarts the collector. Without
// NOTIFY_SOCKET (started by hand) it says nothing.
class ServiceNotifier : public QObject
{
    Q_OBJECT
public:
    explicit ServiceNotifier(QObject* parent = nullptr);

    void ready(const QString& status);
    bool isReady() const { return m_ready; }
    void status(const QString& text);
    // A keep-alive from a long piece of work that proves it goes on (at most
    // as often as the timer sends them).
    void keepAlive();
    void stopping();

private:
    void send(const QString& state);

    QTimer m_watchdog;
    QElapsedTimer m_sent;
    bool m_ready = false;
};

} // namespace qalor
