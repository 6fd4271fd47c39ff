#pragma once

#include "web/WebApi.h"

#include <QAbstractHttpServer>

namespace qalor {

// The console's HTTPS server: Qt's HTTP server parses the requests on the
// program's event loop (so the data source's connection stays on one
// thread); every answer comes from WebApi and leaves with the headers that
// keep a browser from running anything but the console's own scripts.
class WebServer : public QAbstractHttpServer
{
public:
    using QAbstractHttpServer::QAbstractHttpServer;

    static void addSecurityHeaders(QHttpServerResponse& response, bool api);

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    WebApi m_api;
};

} // namespace qalor
