#pragma once

#include <QList>
#include <QString>

namespace qalor {

// What a workstation asks of the collector that reads its CDR port: rows of
// 采集请求表, taken by the collector in the order they were made and each
// answered with done or failed and the system's text (a running request
// carries its progress in the same place). Raises DbError.
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
    static QList<Request> waiting(const QString& service);
    static void answer(const QString& id, State state, const QString& text = QString());
    static Request read(const QString& id);
    // Forgets a collector's answered requests made before the given time.
    static void forgetAnswered(const QString& service, qint64 beforeMs);
    // The process that made a request (its id begins with machine/process).
    static qint64 requesterPid(const QString& id);
};

} // namespace qalor
