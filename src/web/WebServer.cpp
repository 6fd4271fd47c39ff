#include "web/WebServer.h"

#include "web/WebReply.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>

namespace qalor {

void WebServer::addSecurityHeaders(QHttpServerResponse& response, bool api)
{
    response.setHeader(QByteArrayLiteral("Content-Security-Policy"),
                       QByteArrayLiteral("default-src 'self'; frame-ancestors 'none'; base-uri 'none'; "
                                         "form-action 'self'"));
    response.setHeader(QByteArrayLiteral("X-Content-Type-Options"), QByteArrayLiteral("nosniff"));
    response.setHeader(QByteArrayLiteral("Referrer-Policy"), QByteArrayLiteral("no-referrer"));
    response.setHeader(QByteArrayLiteral("X-Frame-Options"), QByteArrayLiteral("DENY"));
    // No Strict-Transport-Security: with the self-signed certificate a
    // browser would then refuse the console for good instead of asking once.
    if (api)
        response.setHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-store"));
}

bool WebServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    QHttpServerResponse response = m_api.answer(request);
    addSecurityHeaders(response, request.url().path().startsWith(QLatin1String("/api/")));
    response.write(makeResponder(request, socket));
    return true;
}

void WebServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket)
{
    QHttpServerResponse response = WebReply::error(Status::NotFound, QStringLiteral("没有这个页面."));
    addSecurityHeaders(response, true);
    response.write(makeResponder(request, socket));
}

} // namespace qalor
