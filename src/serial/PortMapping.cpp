#include "serial/PortMapping.h"

#include <QSettings>
#include <QUrl>

namespace qalor {

namespace {
const QString TcpScheme = QStringLiteral("tcp");
} // namespace

QString serialDeviceForPort(int port)
{
    const QSettings settings;
    const QString fallback = QStringLiteral("/dev/ttyS%1").arg(port - 1);
    return settings.value(QStringLiteral("SerialPorts/COM%1").arg(port), fallback).toString().trimmed();
}

bool isTcpMapping(const QString& mapping)
{
    return mapping.startsWith(TcpScheme + QStringLiteral("://"), Qt::CaseInsensitive);
}

bool parseTcpAddress(const QString& mapping, TcpAddress& address)
{
    if (!isTcpMapping(mapping))
        return false;
    const QUrl url(mapping, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || url.port() < 1 || !url.userInfo().isEmpty() ||
        !(url.path().isEmpty() || url.path() == QStringLiteral("/")) || url.hasQuery() || url.hasFragment())
        return false;
    address.host = url.host();
    address.port = quint16(url.port());
    return true;
}

} // namespace qalor
