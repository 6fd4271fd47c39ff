#pragma once

#include "web/WebSessions.h"

#include <QHttpServerResponse>

class QHttpServerRequest;

namespace qalor {

// The console's answers: its pages and the JSON API under /api/. Every
// request but the login, the session question and the pages needs a
// session; every changing one also its session's second token.
class WebApi
{
public:
    static QString cookieName() { return QStringLiteral("qalor_session"); }

    QHttpServerResponse answer(const QHttpServerRequest& request);

private:
    QHttpServerResponse route(const QHttpServerRequest& request);
    QHttpServerResponse login(const QHttpServerRequest& request);
    QHttpServerResponse sessionAnswer(const WebSessions::Session& session);
    QHttpServerResponse withSession(const QHttpServerRequest& request, const QString& path, bool changing);

    WebSessions m_sessions;
};

} // namespace qalor
