#pragma once

#include <QFile>
#include <sys/resource.h>

namespace qalor::bench {

// The largest resident set this process has had so far, in MiB: printed
// after each step, it shows whether a step's memory follows the table's size.
inline double peakMemoryMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // KiB on Linux
}

// A "VmRSS" or "VmHWM" line of a process's status, in MiB; -1 when it cannot be read.
inline double statusMemoryMiB(const char* field, qint64 pid = 0)
{
    QFile status(pid > 0 ? QStringLiteral("/proc/%1/status").arg(pid) : QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine())
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toDouble() / 1024.0; // kB
    return -1;
}

// The resident set of a process now (this one when pid is 0), in MiB.
inline double residentMiB(qint64 pid = 0)
{
    return statusMemoryMiB("VmRSS", pid);
}

// Starts the peak of this process's resident set again from what it holds
// now, so that stepPeakMiB() tells the largest one of the step that follows.
inline void resetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

inline double stepPeakMiB()
{
    return statusMemoryMiB("VmHWM");
}

} // namespace qalor::bench
