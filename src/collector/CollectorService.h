#pragma once

#include "collector/PortLog.h"
#include "collector/ServiceNotifier.h"
#include "hotel/AutoDowngrade.h"
#include "hotel/ClassChangeSender.h"
#include "rating/CCallRater.h"
#include "receiving/CallIntake.h"
#include "receiving/ReceivedCallsModel.h"
#include "receiving/ReportLines.h"
#include "receiving/ReportProcessor.h"
#include "serial/CommControl.h"
#include "station/CollectorRequests.h"
#include "station/IntakeLock.h"

#include <QHash>
#include <QObject>
#include <QQueue>
#include <QSet>
#include <QTimer>
#include <memory>
#include <optional>

namespace qalor {

class StderrPrompt;

// The receive side of the workstation without its window: the CDR port,
// line assembly, pricing, raw saving, REPORT collection, hotel accrual and
// the automatic class change at the deposit, with the workstation's
// settings, journals and data source. It says who it is and how its port
// is in 采集服务表 every second, passes every priced call on to the windows
// through 采集话单表, and does what the windows of its machine ask in
// 采集请求表 (port commands, reloads after an editor's "确认", holds while
// the call table is maintained, REPORT collection and computing, class
// changes on either route).
//
// One collector reads a port: it refuses to start (and ends when the port
// it waits for is taken first) while another program of this machine reads
// the same line, whatever its data folder, or keeps the same journals. A
// device that is not there yet is waited for. Run by systemd it says when it
// is ready and keeps the watchdog fed from its event loop.
class CollectorService : public QObject
{
    Q_OBJECT
public:
    // port == nullptr: the real control, on the device the port number maps to.
    explicit CollectorService(StderrPrompt& prompt, std::unique_ptr<CommControl> port = nullptr,
                              QObject* parent = nullptr);
    ~CollectorService() override;

    // port 0: the number in 串口表. False (said) when the collector may not run.
    bool start(int port = 0);
    // Journals what the port holds, closes it and leaves 采集服务表.
    void stop();

    const QString& name() const { return m_name; }
    int portNumber() const { return m_portNumber; }
    CommControl& port() { return *m_port; }
    ClassChangeSender& classChange() { return m_classChange; }

private:
    void arm();
    bool retryLayout();
    void linkChanged();
    void checkReady();
    void beat();
    // Writes this collector's row of 采集服务表; false when it could not.
    bool writeBeat();
    // The requests of 采集请求表 (CollectorServiceRequests.cpp).
    void takeRequests();
    void handle(const CollectorRequests::Request& request);
    // Returns false when the request failed; async: answered later.
    bool run(const CollectorRequests::Request& request, bool& async);
    void computeReport();
    void dropVanishedHolds();
    void passOn(const PricedCall& call);
    // A notice for the windows (CollectorNotices).
    void tell(const QString& text);
    void answerChange(bool ok);
    // The final answer; one the data source did not take is sent again.
    void sendAnswer(const QString& id, CollectorRequests::State state, const QString& text);

    StderrPrompt& m_prompt;
    std::unique_ptr<CommControl> m_port;
    CCallRater m_engine;
    ReceivedCallsModel m_calls;
    ReportLines m_report;
    // Made once the journals are this program's alone.
    std::optional<CallIntake> m_intake;
    std::optional<ReportProcessor> m_processor;
    ClassChangeSender m_classChange;
    AutoDowngrade m_autoDowngrade;
    IntakeLock m_lock;
    ServiceNotifier m_notifier;
    PortLog m_portLog;
    QString m_name;
    int m_portNumber = 1;
    bool m_started = false;
    bool m_handling = false;
    bool m_sourceAnswered = false; // a beat reached the data source
    qint64 m_noticeNumber = 0;
    bool m_telling = false; // a change at the deposit is being said
    int m_beats = 0;
    QHash<QString, qint64> m_holds; // hold request -> the process that holds
    QQueue<QString> m_changes;      // change requests being sent, in order
    QHash<QString, std::pair<CollectorRequests::State, QString>> m_unsent; // answers to send again
    QSet<QString> m_unsure; // claims whose outcome the data source did not tell
    QString m_changeExtension;
    QTimer m_beatTimer;
    QTimer m_requestTimer;
    QTimer m_layoutRetry;
    QTimer m_readyLimit;
};

} // namespace qalor
