#pragma once

#include "serial/BufferedCommControl.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>

namespace qalor {

// The communications control on a serial device server: port number n maps
// to "tcp://HOST:PORT" (serialDeviceForPort) and the control connects out to
// that address; it never listens. Opening only needs a well-formed address:
// the port then stays open while the connection is down, and a lost or
// refused connection is tried again after a pause that doubles from the
// first to the longest. A reconnect is not a port reset: what was received
// stays in the input buffer, and the new connection's characters follow a
// break mark so that no unfinished line is continued by them. Line settings,
// RTS and DTR belong to the device server and are ignored here. Output while
// the connection is down is dropped, as on a serial line without a cable.
class TcpCommControl : public BufferedCommControl
{
    Q_OBJECT
public:
    static constexpr int FirstPauseMs = 1000;
    static constexpr int LongestPauseMs = 30000;

    explicit TcpCommControl(QObject* parent = nullptr);
    ~TcpCommControl() override;

    void setSettings(const QString&) override {}
    void setRTSEnable(bool) override {}
    void setDTREnable(bool) override {}
    void setPortOpen(bool open) override;
    bool portOpen() const override { return m_open; }
    Link link() const override;
    void output(const QString& text) override;

    // The pause before the next attempt; it starts at the first pause again
    // once a connection has lasted the longest pause.
    int retryPause() const { return m_pause; }
    void setRetryPauses(int firstMs, int longestMs);

private:
    void connectNow();
    void connected();
    void lost();

    QTcpSocket m_socket;
    QTimer m_retry;
    QTimer m_connectLimit;
    QElapsedTimer m_up;
    QString m_host;
    quint16 m_hostPort = 0;
    bool m_open = false;
    int m_firstPause = FirstPauseMs;
    int m_longestPause = LongestPauseMs;
    int m_pause = FirstPauseMs;
};

} // namespace qalor
