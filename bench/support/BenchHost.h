#pragma once

#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>

namespace qalor::bench {

// The machine's load over the last minute, printed beside each figure so a
// slow run on a busy machine is told from a slow program; -1 when unknown.
inline double loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().split(' ').value(0).toDouble() : -1;
}

// A loopback port nobody listens on at the moment.
inline quint16 freeLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

// Ends a program the bench started: asked first, killed if it does not end.
inline void stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

} // namespace qalor::bench
