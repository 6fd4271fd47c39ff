#pragma once

#include "serial/BufferedCommControl.h"
#include "serial/PortLock.h"
#include "serial/RetryPause.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>

namespace qalor {

// The communications control on a serial device server: port number n maps
// to "tcp://HOST:PORT" (serialDeviceForPort) and the control connects out to
// that address; it never listens. Opening only needs a well-formed address:
// the port then stays open while the connection is down, and a lost or
// refused connection is tried again after the pauses of RetryPause (a
// connection that carried data, or lasted the longest pause, starts them
// again from the first). The address is locked while the port is open
// (PortLock): one another program of this machine reads leaves the port
// closed (takenByOther()). A reconnect is not a port reset: what was received
// stays in the input buffer, and the new connection's characters follow a
// break mark so that no unfinished line is continued by them. Line settings,
// RTS and DTR belong to the device server and are ignored here. Output while
// the connection is down is dropped, as on a serial line without a cable.
class TcpCommControl : public BufferedCommControl
{
    Q_OBJECT
public:
    explicit TcpCommControl(QObject* parent = nullptr);
    ~TcpCommControl() override;

    void setSettings(const QString&) override {}
    void setRTSEnable(bool) override {}
    void setDTREnable(bool) override {}
    void setPortOpen(bool open) override;
    bool portOpen() const override { return m_open; }
    Link link() const override;
    void output(const QString& text) override;
    bool takenByOther() const override { return m_taken; }

    // The pause before the next attempt.
    int retryPause() const { return m_pause.next(); }
    void setRetryPauses(int firstMs, int longestMs);

private:
    void connectNow();
    void connected();
    void lost();

    QTcpSocket m_socket;
    PortLock m_lock;
    QTimer m_retry;
    QTimer m_connectLimit;
    QElapsedTimer m_up;
    QString m_host;
    quint16 m_hostPort = 0;
    bool m_open = false;
    bool m_taken = false;
    int m_longestPause = RetryPause::LongestMs;
    RetryPause m_pause;
};

} // namespace qalor
