#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

namespace qalor::test {

// Settings and journals of a test program that runs the workstation live in
// a folder of its own; called before the application object exists.
inline void useSandbox(const QTemporaryDir& dir)
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
    qputenv("QALOR_DATA_DIR", QFile::encodeName(dir.filePath(QStringLiteral("data"))));
}

// The names the workstation keeps its settings under (its serial ports).
inline void nameLikeTheWorkstation()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    QCoreApplication::setApplicationName(QStringLiteral("qalor"));
}

} // namespace qalor::test
