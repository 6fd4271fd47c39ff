#pragma once

#include "serial/CommControl.h"

#include <QList>
#include <QString>
#include <optional>

namespace qalor {

// A collector's row in 采集服务表: who it is, which CDR port it reads and
// in which state, and when it last said so. A collector beats every second;
// one whose beat is older than StaleMs is taken for gone (killed, or its
// machine stopped). Machines are compared by name and beats by their own
// clock, so a workstation only ever looks for a collector on its machine.
struct CollectorBeat
{
    static constexpr qint64 StaleMs = 5000;

    QString service; // machine/process
    QString host;
    int port = 1;
    qint64 pid = 0;
    CommControl::Link link = CommControl::Link::Closed;
    int reportWaiting = 0;   // REPORT lines collected and not computed
    bool reportMode = false; // collecting REPORT lines
    qint64 beatMs = 0;       // milliseconds since the epoch

    // Writes (or adds) the row. Raises DbError.
    void write() const;
    static void remove(const QString& service);
    // Forgets the rows of this machine's collectors that were killed.
    static void forgetDead();
    // A collector on this machine for the port whose beat is fresh and whose
    // process is there (a killed one beats no more, but its last beat is
    // still fresh for a few seconds), other than the one named by except.
    // Raises DbError also when no collector ever made the table.
    static std::optional<CollectorBeat> findLive(int port, const QString& except = QString());
    // The row of one collector, fresh or not.
    static std::optional<CollectorBeat> read(const QString& service);
    // Every collector's row, by port and name.
    static QList<CollectorBeat> all();
    // The port's state as the status bar says it ("已连接").
    static QString linkText(CommControl::Link link);
    bool fresh() const;
    // Whether a process of this machine is still there.
    static bool processAlive(qint64 pid);
};

} // namespace qalor
