#pragma once

#include "OpenDevice.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace qalor::test {

// A pseudo-terminal pair standing for the exchange's CDR line (the far end,
// where the test plays the exchange, and the port end) and the settings that
// map COM1 to the port end, in a folder of its own.
struct CdrLine
{
    QTemporaryDir dir;
    QProcess socat;
    QString pbx;
    QString port;

    // False (with the reason as a skip or failure) when the line cannot be made.
    bool make() { return map() && plug(); }

    // The settings that map COM1 to the port end, whether it is there or not.
    bool map()
    {
        if (!dir.isValid())
            return false;
        pbx = dir.filePath(QStringLiteral("pbx"));
        port = dir.filePath(QStringLiteral("com1"));
        const QString settings =
            dir.filePath(QStringLiteral("config/Local AppWizard-Generated Applications"));
        QFile conf(settings + QStringLiteral("/qalor.conf"));
        return QDir().mkpath(settings) && conf.open(QIODevice::WriteOnly) &&
               conf.write("[SerialPorts]\nCOM1=" + port.toUtf8() + "\n") > 0;
    }

    // The line appears, as a serial adapter plugged in.
    bool plug()
    {
        socat.start(QStringLiteral("socat"), {QStringLiteral("pty,raw,echo=0,link=") + pbx,
                                              QStringLiteral("pty,raw,echo=0,link=") + port});
        if (!socat.waitForStarted())
            return false;
        QDeadlineTimer deadline(10000);
        while (!(QFile::exists(pbx) && QFile::exists(port)) && !deadline.hasExpired())
            QTest::qWait(10);
        return QFile::exists(port);
    }

    ~CdrLine()
    {
        if (socat.state() != QProcess::NotRunning) {
            socat.terminate();
            socat.waitForFinished(5000);
        }
    }

    QString configDir() const { return dir.filePath(QStringLiteral("config")); }
    QString dataDir() const { return dir.filePath(QStringLiteral("data")); }
};

// The collector program on a line, with the line's settings and data folder.
struct Collector
{
    QProcess process;

    void start(const CdrLine& line, const QString& connection, const QStringList& arguments = {},
               const QString& dataDir = QString(), const QProcessEnvironment& extra = {},
               const QStringList& runAs = {})
    {
        m_said.clear();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QALOR_ODBC"), connection);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), line.configDir());
        env.insert(QStringLiteral("QALOR_DATA_DIR"), dataDir.isEmpty() ? line.dataDir() : dataDir);
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.insert(extra);
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        if (runAs.isEmpty())
            process.start(QStringLiteral(QALOR_COLLECTOR), arguments);
        else
            process.start(runAs.constFirst(),
                          runAs.mid(1) + QStringList{QStringLiteral(QALOR_COLLECTOR)} + arguments);
    }

    // Started and reading the port: what the exchange sends before is lost on
    // the line. (The port is taken before the journals are, so the start is
    // awaited too.)
    bool reading(const CdrLine& line, int timeoutMs = 30000)
    {
        if (!process.waitForStarted())
            return false;
        QDeadlineTimer deadline(timeoutMs);
        while (!hasOpen(process.processId(), line.port) ||
               !said().contains(QStringLiteral("采集服务已启动"))) {
            if (deadline.hasExpired() || process.state() == QProcess::NotRunning)
                return false;
            QTest::qWait(5);
        }
        return true;
    }

    // What it said on standard error so far.
    QString said()
    {
        m_said += QString::fromUtf8(process.readAllStandardError());
        return m_said;
    }

    void kill()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.kill(); // SIGKILL: no destructor, no flush runs
        process.waitForFinished(5000);
    }

    ~Collector() { kill(); }

private:
    QString m_said;
};

} // namespace qalor::test
