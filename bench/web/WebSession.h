#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>
#include <functional>

class QNetworkReply;

namespace qalor::bench {

// One browser's session with qalor-web: its own connections (kept open
// between requests, as a browser keeps them), its own cookie, and the CSRF
// token its login returned. The server is the bench's own on 127.0.0.1
// with the certificate it made itself, so the certificate is taken as it
// is.
class WebSession : public QObject
{
public:
    struct Answer
    {
        int status = 0; // 0: no answer (the text says why)
        QJsonObject body;
        double ms = 0; // from sending the request to the last byte of the answer
        QString error;
    };
    using Done = std::function<void(const Answer&)>;

    explicit WebSession(const QUrl& server, QObject* parent = nullptr);

    // Logs in; true on 200.
    bool login(const QString& user, const QString& password, QString* error = nullptr);
    // A GET of a path with its query, waited for (at most a minute).
    Answer get(const QString& path);
    // The same, answered through done from the event loop.
    void getLater(const QString& path, Done done);

private:
    QNetworkReply* send(const QString& path, const QByteArray* postBody, Done done);
    Answer wait(const QString& path, const QByteArray* postBody);

    QNetworkAccessManager m_network;
    QUrl m_server;
    QByteArray m_csrf;
};

} // namespace qalor::bench
