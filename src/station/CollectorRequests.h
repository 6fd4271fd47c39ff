#pragma once

#include <QList>
#include <QString>

namespace qalor {

class CDatabase;

// What a workstation asks of the collector that reads its CDR port: rows of
// 采集请求表 addressed to one collector by its name (machine and process),
// taken in the order they were made. A collector claims a request in one
// statement that only succeeds while the request waits, so it runs once even
// when two programs look at once; its answer (done or failed and the
// system's text) lands only on a running request and is final: a late
// progress text or a second answer changes nothing. A running request carries
// its progress in the same place. Raises DbError.
class CollectorRequests
{
public:
    enum State { Waiting = 0, Running = 1, Done = 2, Failed = 3 };

    struct Request
    {
        QString id;
        QString kind;
        QString argument;
        State state = Waiting;
        QString text;
    };

    // What a window asks.
    static constexpr const char* OpenPort = "open";
    static constexpr const char* ClosePort = "close";
    static constexpr const char* SetPort = "port";  // the new number
    static constexpr const char* Reload = "reload"; // what the editor's 确认 asks (a number)
    static constexpr const char* ReloadLayout = "layout";
    static constexpr const char* Hold = "hold";
    static constexpr const char* Release = "release"; // the hold's request
    static constexpr const char* SaveRaw = "saveraw"; // 0 or 1
    static constexpr const char* ReceiveReport = "report";
    static constexpr const char* ComputeReport = "compute";
    static constexpr const char* ClassChange = "change"; // form and change list
    static constexpr const char* HotelSettings = "hotel";

    // Adds a request for the collector; returns its id.
    static QString post(const QString& service, const QString& kind, const QString& argument = QString());
    // The collector's waiting requests, oldest first.
    static QList<Request> waiting(const QString& service, CDatabase& db);
    static QList<Request> waiting(const QString& service);
    // True when this collector now runs the request; false when it no longer
    // waits (another look took it, or it was answered).
    static bool claim(const QString& id, const QString& service, CDatabase& db);
    static bool claim(const QString& id, const QString& service);
    // Progress (Running) or the final answer (Done, Failed) of a request the
    // collector runs; false when the request is not running for it.
    static bool answer(const QString& id, const QString& service, State state,
                       const QString& text = QString());
    // Fails what waits for or ran in an earlier process of the same name (a
    // process number used again): a new collector did not take it.
    static void dropStale(const QString& service);
    static Request read(const QString& id);
    // Forgets a collector's answered requests made before the given time.
    static void forgetAnswered(const QString& service, qint64 beforeMs);
    // The process that made a request (its id begins with machine/process).
    static qint64 requesterPid(const QString& id);
};

} // namespace qalor
