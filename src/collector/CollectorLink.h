#pragma once

#include "collectordata/CollectorBeat.h"
#include "rating/CCallRater.h"

#include <QHash>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

namespace qalor {

// The workstation's side of a collector that reads its CDR port: the window
// then never opens the port itself. It shows the calls any collector priced
// (read from 采集话单表 twice a second), the state of the collector's port
// (from its beat) and sends what the window asks of the port as requests.
// When the collector is restarted (a new process), the link follows the new
// one for the same port.
class CollectorLink : public QObject
{
    Q_OBJECT
public:
    struct Answer
    {
        bool ok = false;
        QString text;
    };

    // The link of a window that does not read the port: to the collector
    // beating for it on this machine, or, while none does (another window
    // reads it, or the collector has not beaten yet), waiting for one.
    static std::unique_ptr<CollectorLink> follow(int port, QObject* parent = nullptr);

    CollectorLink(const CollectorBeat& beat, QObject* parent = nullptr);

    const CollectorBeat& collector() const { return m_beat; }
    CommControl::Link link() const;
    // Whether a collector is there and beating: one killed is seen at the
    // next look (half a second), one that hangs once its beat is stale.
    bool answering() const;

    // Sends a request and waits for its answer, the window going on meanwhile;
    // progress receives what the collector says while it works. No answer
    // within timeoutMs, a collector that does not answer when asked or that
    // ends while it works fail at once with a text saying so.
    Answer ask(const QString& kind, const QString& argument = QString(),
               const std::function<void(const QString&)>& progress = {}, int timeoutMs = 30000);
    // Sends a request without waiting; its end comes with requestEnded().
    // Empty (said) when it could not be sent or the collector does not answer.
    QString post(const QString& kind, const QString& argument = QString());
    // Sends a request nobody follows unless wait() is called; empty (said) when it could not be sent.
    QString send(const QString& kind, const QString& argument = QString());
    Answer wait(const QString& id, const std::function<void(const QString&)>& progress = {},
                int timeoutMs = 30000);

    // The text a request gets when the collector does not answer.
    static QString noAnswerText();

signals:
    void callArrived(const qalor::PricedCall& call);
    void stateChanged();
    void requestProgress(const QString& id, const QString& text);
    void requestEnded(const QString& id, bool ok, const QString& text);
    // What the collector says unasked (CollectorNotices); empty: what it said is over.
    void noticeArrived(const QString& text);

private:
    void poll();
    void readBeat();
    void readCalls();
    void readRequests();
    void readNotices();

    CollectorBeat m_beat;
    qint64 m_seen = 0; // the last call read (at the start, the newest: older ones are not shown)
    QHash<QString, QString> m_posted;  // request -> the progress last told
    QHash<QString, qint64> m_noticeOf; // collector -> the newest of its notices seen
    QTimer m_poll;
};

} // namespace qalor
