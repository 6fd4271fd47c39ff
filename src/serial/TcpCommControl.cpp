#include "serial/TcpCommControl.h"

#include "serial/PortMapping.h"

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace qalor {

namespace {
// A connection attempt that has not succeeded by then is given up and tried
// again after the pause (an unreachable host would otherwise hold it for
// minutes).
constexpr int ConnectLimitMs = 10000;

// A device server that loses power leaves the connection open on this side;
// probing an idle connection finds that out within about two minutes.
void probeIdleConnection(QTcpSocket& socket)
{
    socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
#ifdef Q_OS_LINUX
    const int fd = int(socket.socketDescriptor());
    const int idleSeconds = 60;
    const int intervalSeconds = 10;
    const int probes = 6;
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idleSeconds, sizeof idleSeconds);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &intervalSeconds, sizeof intervalSeconds);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
#endif
}
} // namespace

TcpCommControl::TcpCommControl(QObject* parent) : BufferedCommControl(parent)
{
    attach(&m_socket);
    m_retry.setSingleShot(true);
    m_connectLimit.setSingleShot(true);
    m_connectLimit.setInterval(ConnectLimitMs);
    connect(&m_retry, &QTimer::timeout, this, &TcpCommControl::connectNow);
    connect(&m_connectLimit, &QTimer::timeout, this, [this] {
        setLastError(QStringLiteral("连接超时"));
        m_socket.abort();
        lost();
    });
    connect(&m_socket, &QTcpSocket::connected, this, &TcpCommControl::connected);
    connect(&m_socket, &QTcpSocket::disconnected, this, &TcpCommControl::lost);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, [this] {
        setLastError(m_socket.errorString());
        // A refused or failed attempt ends without a disconnected signal.
        if (m_socket.state() == QAbstractSocket::UnconnectedState)
            lost();
    });
}

TcpCommControl::~TcpCommControl()
{
    attach(nullptr);
    disconnect(&m_socket, nullptr, this, nullptr);
    m_socket.abort();
}

void TcpCommControl::setRetryPauses(int firstMs, int longestMs)
{
    m_pause.setRange(firstMs, longestMs);
    m_longestPause = qMax(firstMs, longestMs);
}

void TcpCommControl::setPortOpen(bool open)
{
    if (open == m_open)
        return;
    discardInput();
    m_retry.stop();
    m_connectLimit.stop();
    m_taken = false;
    if (!open) {
        m_open = false;
        m_socket.abort();
        m_lock.unlock();
        emit linkChanged();
        return;
    }
    const QString mapping = serialDeviceForPort(commPort());
    TcpAddress address;
    if (!parseTcpAddress(mapping, address)) {
        setLastError(QStringLiteral("网络地址无效 (应为 tcp://主机:端口)"));
        return;
    }
    switch (m_lock.lockAddress(address.host, address.port)) {
    case PortLock::Result::Locked:
        break;
    case PortLock::Result::Taken:
        m_taken = true;
        setLastError(PortLock::takenText());
        return;
    case PortLock::Result::Failed:
        setLastError(m_lock.error());
        return;
    }
    m_host = address.host;
    m_hostPort = address.port;
    m_open = true;
    m_pause.reset();
    setLastError(QString());
    connectNow();
    emit linkChanged();
}

void TcpCommControl::connectNow()
{
    if (!m_open || m_socket.state() != QAbstractSocket::UnconnectedState)
        return;
    m_connectLimit.start();
    m_socket.connectToHost(m_host, m_hostPort);
}

void TcpCommControl::connected()
{
    m_connectLimit.stop();
    m_up.start();
    setLastError(QString());
    takeCarried();
    probeIdleConnection(m_socket);
    // Whatever is still buffered came over an earlier connection.
    markBreak();
    emit linkChanged();
    readLine();
}

void TcpCommControl::lost()
{
    m_connectLimit.stop();
    if (!m_open || m_retry.isActive())
        return;
    // Everything the connection delivered is kept and announced before the
    // socket lets go of it.
    readLine(true);
    if (m_socket.state() != QAbstractSocket::UnconnectedState)
        m_socket.abort();
    // The pauses grow while connecting fails; a connection that worked
    // (carried data, or stayed up as long as the longest pause) starts them
    // again from the first.
    if (takeCarried() || (m_up.isValid() && m_up.elapsed() >= m_longestPause))
        m_pause.reset();
    m_up.invalidate();
    m_retry.start(m_pause.take());
    emit linkChanged();
}

CommControl::Link TcpCommControl::link() const
{
    if (!m_open)
        return Link::Closed;
    return m_socket.state() == QAbstractSocket::ConnectedState ? Link::Connected : Link::Reconnecting;
}

void TcpCommControl::output(const QString& text)
{
    if (m_socket.state() != QAbstractSocket::ConnectedState)
        return;
    m_socket.write(text.toLatin1());
    // Out at once: the administration dialogue pauses between writes without
    // returning to the event loop, and each pause must follow its bytes.
    m_socket.flush();
}

} // namespace qalor
