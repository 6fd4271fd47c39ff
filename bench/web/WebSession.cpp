#include "WebSession.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QNetworkReply>
#include <QSslError>
#include <QTimer>
#include <memory>

namespace qalor::bench {

WebSession::WebSession(const QUrl& server, QObject* parent) : QObject(parent), m_server(server)
{
    connect(&m_network, &QNetworkAccessManager::sslErrors, this,
            [](QNetworkReply* reply, const QList<QSslError>&) { reply->ignoreSslErrors(); });
}

bool WebSession::login(const QString& user, const QString& password, QString* error)
{
    const QByteArray body =
        QJsonDocument(QJsonObject{{QStringLiteral("user"), user}, {QStringLiteral("password"), password}})
            .toJson(QJsonDocument::Compact);
    const Answer answer = wait(QStringLiteral("/api/login"), &body);
    if (answer.status == 200) {
        m_csrf = answer.body.value(QStringLiteral("csrf")).toString().toUtf8();
        return true;
    }
    if (error)
        *error = answer.status ? QStringLiteral("%1 %2").arg(answer.status).arg(answer.error) : answer.error;
    return false;
}

WebSession::Answer WebSession::get(const QString& path)
{
    return wait(path, nullptr);
}

void WebSession::getLater(const QString& path, Done done)
{
    send(path, nullptr, std::move(done));
}

QNetworkReply* WebSession::send(const QString& path, const QByteArray* postBody, Done done)
{
    QUrl url = m_server;
    const qsizetype question = path.indexOf(QLatin1Char('?'));
    url.setPath(path.left(question));
    if (question >= 0)
        url.setQuery(path.mid(question + 1));
    QNetworkRequest request(url);
    // The server speaks HTTP/1.1; a browser's connection stays open.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    if (!m_csrf.isEmpty())
        request.setRawHeader("X-CSRF-Token", m_csrf);
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    QNetworkReply* reply;
    if (postBody) {
        request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
        reply = m_network.post(request, *postBody);
    } else {
        reply = m_network.get(request);
    }
    connect(reply, &QNetworkReply::finished, this, [reply, timer, done = std::move(done)] {
        Answer answer;
        answer.ms = timer->nsecsElapsed() / 1e6;
        answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QJsonDocument json = QJsonDocument::fromJson(reply->readAll());
        answer.body = json.object();
        answer.error = answer.body.value(QStringLiteral("error")).toString();
        if (answer.status == 0)
            answer.error = reply->errorString();
        reply->deleteLater();
        done(answer);
    });
    return reply;
}

WebSession::Answer WebSession::wait(const QString& path, const QByteArray* postBody)
{
    QEventLoop loop;
    Answer answer;
    bool answered = false;
    QNetworkReply* reply = send(path, postBody, [&](const Answer& a) {
        answer = a;
        answered = true;
        loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    if (!answered)
        loop.exec();
    if (!answered) {
        reply->abort(); // answers at once, while this frame still holds what it fills
        answer.error = QStringLiteral("no answer within a minute");
    }
    return answer;
}

} // namespace qalor::bench
