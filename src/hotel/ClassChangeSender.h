#pragma once

#include "hotel/ClassChangeJob.h"

#include <QObject>
#include <QQueue>
#include <QTimer>
#include <functional>
#include <memory>

namespace qalor {

class CommControl;

// Plays class changes on the exchange without stopping the program: every
// write is followed by its pause on a timer while the event loop goes on
// (calls keep arriving, windows keep drawing). One change runs at a time; a
// change asked for meanwhile waits its turn. While a change uses the CDR
// line, call intake is held: what arrives is kept and priced afterwards. A
// modem change opens its own control on the settings' port and closes it
// when done.
class ClassChangeSender : public QObject
{
    Q_OBJECT
public:
    using ModemFactory = std::function<std::unique_ptr<CommControl>()>;

    ClassChangeSender(CommControl& cdrPort, ModemFactory modemFactory, QObject* parent = nullptr);
    ~ClassChangeSender() override;

    void setModemFactory(ModemFactory factory) { m_modemFactory = std::move(factory); }
    // Around a change on the CDR line.
    void setIntakeHold(std::function<void()> hold, std::function<void()> release);
    // Pauses are multiplied by this (tests shorten them; the program keeps 1).
    void setPauseScale(double scale) { m_scale = scale; }

    // Queues the change; it starts from the event loop, never inside the caller.
    void enqueue(const ClassChangeJob& job);
    bool busy() const { return m_running || !m_queue.isEmpty(); }
    int waiting() const { return int(m_queue.size()); }

    // The error text when a write finds the port closed.
    static QString portClosedText();

    // The change running (or the last one).
    const ClassChangeJob& current() const { return m_job; }
    // Milliseconds the running change has taken so far and takes in all, as
    // paced: the pauses of the writes already sent and of the one waited on.
    int elapsedMs() const;
    int plannedMs() const;
    // What a progress window says about the running change: why it runs or
    // which extension is being sent (empty: the login or logout lines), and
    // the seconds left.
    QString progressText(const QString& extension) const;

signals:
    // A change began; the extensions it covers.
    void changeStarted(const QStringList& extensions);
    // The next write goes out for this extension (empty: login or logout lines).
    void sending(const QString& extension, int step, int steps);
    // The change ended; ok is false when it stopped on an error (already shown).
    void changeFinished(bool ok);
    // Nothing runs and nothing waits.
    void idle();

private:
    void scheduleNext();
    void startNext();
    void playStep();
    void finish(bool ok, const QString& error = QString());
    CommControl* port();

    CommControl& m_cdr;
    ModemFactory m_modemFactory;
    std::unique_ptr<CommControl> m_modem;
    std::function<void()> m_hold;
    std::function<void()> m_release;
    QQueue<ClassChangeJob> m_queue;
    ClassChangeJob m_job;
    qsizetype m_step = 0;
    bool m_running = false;
    bool m_held = false;
    double m_scale = 1.0;
    QTimer m_pause;
};

} // namespace qalor
