#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace qalor::test {

// qalor-commitproxy between a program and the PostgreSQL server of a
// connection string: the program connects to proxied(), and the test loses
// the answer of a COMMIT (dropCommit) or cuts every connection (cut).
class CommitProxy
{
public:
    // binary: the path of qalor-commitproxy; server: a connection string with Server= and Port=.
    bool start(const QString& binary, const QString& connection)
    {
        m_connection = connection;
        const QRegularExpression port(QStringLiteral("(?i)\\bPort=(\\d+)"));
        const QRegularExpression host(QStringLiteral("(?i)\\bServer=([^;]+)"));
        const QString to =
            host.match(connection).captured(1) + QLatin1Char(':') + port.match(connection).captured(1);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(binary, {QStringLiteral("--to"), to});
        const QByteArray first = waitFor("listening ");
        m_port = first.mid(10).trimmed().toInt();
        return m_port > 0;
    }
    ~CommitProxy()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
    }

    // The connection string, through the proxy.
    QString proxied() const
    {
        QString text = m_connection;
        text.replace(QRegularExpression(QStringLiteral("(?i)\\bPort=\\d+")),
                     QStringLiteral("Port=%1").arg(m_port));
        return text;
    }
    // The next COMMIT of a transaction that sent a statement containing text
    // reaches the server; its answer is lost and the server is out of reach
    // for seconds.
    void dropCommit(int seconds, const QString& text = QString())
    {
        m_process.write(QStringLiteral("drop-commit %1 %2\n").arg(seconds).arg(text).toUtf8());
        m_process.waitForBytesWritten();
    }
    void cut(int seconds)
    {
        m_process.write(QStringLiteral("cut %1\n").arg(seconds).toUtf8());
        m_process.waitForBytesWritten();
    }
    // Waits for a line starting with prefix; returns it (empty on timeout).
    QByteArray waitFor(const QByteArray& prefix, int timeoutMs = 30000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            while (m_process.canReadLine()) {
                const QByteArray line = m_process.readLine();
                if (line.startsWith(prefix))
                    return line;
            }
            if (m_process.state() == QProcess::NotRunning)
                return {};
            m_process.waitForReadyRead(100);
        }
        return {};
    }

private:
    QProcess m_process;
    QString m_connection;
    int m_port = 0;
};

} // namespace qalor::test
