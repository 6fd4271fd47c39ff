#pragma once

// qalor-web started as a real process on a free port of 127.0.0.1, and a
// client that trusts the certificate it made and keeps its session cookie.

#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSslConfiguration>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace qalor::test {

struct WebAnswer
{
    int status = 0;
    QByteArray body;
    QList<QNetworkReply::RawHeaderPair> headers;

    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
    QString error() const { return json().value(QStringLiteral("error")).toString(); }
    QByteArray header(const QByteArray& name) const
    {
        for (const auto& [key, value] : headers)
            if (key.compare(name, Qt::CaseInsensitive) == 0)
                return value;
        return {};
    }
};

class WebProcess
{
public:
    explicit WebProcess(const QString& connection)
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        m_port = probe.serverPort();
        probe.close();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QALOR_DATA_DIR"), m_data.path());
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral(QALOR_WEB),
                        {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(m_port),
                         QStringLiteral("--connection"), connection});
    }
    ~WebProcess()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(30000))
            m_process.kill();
        m_process.waitForFinished(30000);
    }

    // Waits until it listens; then the client trusts its certificate.
    bool ready()
    {
        while (!m_log.contains("https://")) {
            if (!m_process.waitForReadyRead(60000))
                return false;
            m_log += m_process.readAll();
        }
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setCaCertificates(QSslCertificate::fromPath(certificateFile()));
        m_tls = tls;
        return !tls.caCertificates().isEmpty();
    }
    QString certificateFile() const { return m_data.filePath(QStringLiteral("qalor-web.crt")); }
    QString keyFile() const { return m_data.filePath(QStringLiteral("qalor-web.key")); }
    const QByteArray& log() const { return m_log; }

    WebAnswer get(const QString& path) { return send("GET", path, {}, {}); }
    WebAnswer post(const QString& path, const QJsonObject& body = {}, const QByteArray& csrf = {})
    {
        return send("POST", path, QJsonDocument(body).toJson(QJsonDocument::Compact), csrf);
    }
    WebAnswer send(const QByteArray& verb, const QString& path, const QByteArray& body,
                   const QByteArray& csrf)
    {
        QNetworkRequest request(QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(m_port).arg(path)));
        request.setSslConfiguration(m_tls);
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        if (!csrf.isEmpty())
            request.setRawHeader("X-CSRF-Token", csrf);
        QNetworkReply* reply = m_client.sendCustomRequest(request, verb, body);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        loop.exec();
        WebAnswer answer;
        if (reply->isFinished()) {
            answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            answer.body = reply->readAll();
            answer.headers = reply->rawHeaderPairs();
        }
        reply->deleteLater();
        return answer;
    }
    // Logs in; the csrf token of the session (empty on failure).
    QByteArray login(const QString& user, const QString& password)
    {
        const WebAnswer answer = post(QStringLiteral("/api/login"), {{QStringLiteral("user"), user},
                                                                     {QStringLiteral("password"), password}});
        return answer.status == 200 ? answer.json().value(QStringLiteral("csrf")).toString().toLatin1()
                                    : QByteArray();
    }

private:
    QTemporaryDir m_data;
    QProcess m_process;
    QByteArray m_log;
    quint16 m_port = 0;
    QSslConfiguration m_tls;
    QNetworkAccessManager m_client;
};

} // namespace qalor::test
