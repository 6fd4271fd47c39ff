#pragma once

#include <QDir>
#include <QFileInfo>
#include <QString>

namespace qalor::test {

// Whether the process has the device open. A pseudo-terminal drops what is
// written to it while nobody has its far end open, as a serial line does
// while the workstation is down, so a test waits for this before it plays
// the exchange.
inline bool hasOpen(qint64 pid, const QString& device)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo& fd : fds.entryInfoList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System))
        if (fd.symLinkTarget() == target)
            return true;
    return false;
}

} // namespace qalor::test
