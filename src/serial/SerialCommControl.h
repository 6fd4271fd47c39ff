#pragma once

#include "serial/BufferedCommControl.h"
#include "serial/PortLock.h"
#include "serial/PortMapping.h"
#include "serial/RetryPause.h"

#include <QSerialPort>
#include <QTimer>

namespace qalor {

// The communications control on a serial device (QSerialPort): port number
// n opens the device serialDeviceForPort(n) names. A device that is not
// there when the port opens (a USB adapter that appears late at boot), or
// that goes away while the port is open (an adapter unplugged, a line server
// restarted), is tried again after the pauses of RetryPause: the port stays
// open meanwhile, what was received stays in the input buffer, and the
// characters of a new opening follow a break mark so that no unfinished line
// is continued by them. The device is locked while it is open (PortLock): one
// held by another program leaves the port closed (takenByOther()).
class SerialCommControl : public BufferedCommControl
{
    Q_OBJECT
public:
    explicit SerialCommControl(QObject* parent = nullptr);
    ~SerialCommControl() override;

    void setSettings(const QString& settings) override;
    void setRTSEnable(bool on) override;
    void setDTREnable(bool on) override;
    void setPortOpen(bool open) override;
    bool portOpen() const override { return m_open; }
    Link link() const override;
    void output(const QString& text) override;
    bool takenByOther() const override { return m_taken; }
    QString deviceName() const { return serialDeviceForPort(commPort()); }

    // The pause before the next attempt.
    int retryPause() const { return m_pause.next(); }
    void setRetryPauses(int firstMs, int longestMs) { m_pause.setRange(firstMs, longestMs); }

private:
    bool openDevice();
    void applySettings();
    void lost();
    void reopen();
    void retryLater();

    QSerialPort m_serial;
    PortLock m_lock;
    QTimer m_reopen;
    RetryPause m_pause;
    bool m_open = false;
    bool m_taken = false;
    bool m_broken = false; // the stream was cut: the next opening marks a break
    QString m_settings = QStringLiteral("9600,N,8,1");
    bool m_rts = false;
    bool m_dtr = false;
};

} // namespace qalor
