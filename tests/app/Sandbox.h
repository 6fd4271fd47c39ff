#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace qalor::test {

// The folder of the running test program, made once.
inline QTemporaryDir& sandbox()
{
    static QTemporaryDir dir;
    return dir;
}

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

// Runs a test object the way the workstation runs: in the sandbox, with a
// widget application carrying the workstation's settings names.
template <class Test> int runInSandbox(int argc, char** argv)
{
    if (!sandbox().isValid())
        return 1;
    useSandbox(sandbox());
    QApplication app(argc, argv);
    nameLikeTheWorkstation();
    Test test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace qalor::test
