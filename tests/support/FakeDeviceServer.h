#pragma once

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

namespace qalor::test {

// A serial device server on the loopback interface, played by the test: it
// accepts the workstation's connections, sends the exchange's bytes over the
// newest one and keeps whatever comes back.
class FakeDeviceServer : public QObject
{
    Q_OBJECT
public:
    FakeDeviceServer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                ++accepted;
                m_peer = socket;
                connect(socket, &QTcpSocket::readyRead, this,
                        [this, socket] { received += socket->readAll(); });
            }
        });
    }

    // Listens on a free port first, then on the same port again.
    bool listen()
    {
        if (!m_server.listen(QHostAddress::LocalHost, m_port))
            return false;
        m_port = m_server.serverPort();
        return true;
    }
    // Refuses connections until listen() is called again.
    void stopListening() { m_server.close(); }
    QString address() const { return QStringLiteral("tcp://127.0.0.1:%1").arg(m_port); }
    bool connected() const { return m_peer && m_peer->state() == QAbstractSocket::ConnectedState; }

    void send(const QByteArray& bytes)
    {
        if (connected()) {
            m_peer->write(bytes);
            m_peer->flush();
        }
    }
    // Ends the current connection at once, right after what was sent.
    void drop()
    {
        if (m_peer)
            m_peer->disconnectFromHost();
    }

    int accepted = 0;
    QByteArray received;

private:
    QTcpServer m_server;
    QPointer<QTcpSocket> m_peer;
    quint16 m_port = 0;
};

} // namespace qalor::test
