#pragma once

#include "serial/BufferedCommControl.h"
#include "serial/PortMapping.h"

#include <QSerialPort>
#include <QTimer>

namespace qalor {

// The communications control on a serial device (QSerialPort): port number
// n opens the device serialDeviceForPort(n) names. A device that goes away
// while the port is open (an adapter unplugged, a line server restarted) is
// opened again as soon as it is back: the port stays open meanwhile, what
// was received stays in the input buffer, and the characters of the new
// opening follow a break mark so that no unfinished line is continued by them.
class SerialCommControl : public BufferedCommControl
{
    Q_OBJECT
public:
    static constexpr int ReopenPauseMs = 1000;

    explicit SerialCommControl(QObject* parent = nullptr);
    ~SerialCommControl() override;

    void setSettings(const QString& settings) override;
    void setRTSEnable(bool on) override;
    void setDTREnable(bool on) override;
    void setPortOpen(bool open) override;
    bool portOpen() const override { return m_open; }
    Link link() const override;
    void output(const QString& text) override;
    QString deviceName() const { return serialDeviceForPort(commPort()); }

private:
    bool openDevice();
    void applySettings();
    void lost();
    void reopen();

    QSerialPort m_serial;
    QTimer m_reopen;
    bool m_open = false;
    QString m_settings = QStringLiteral("9600,N,8,1");
    bool m_rts = false;
    bool m_dtr = false;
};

} // namespace qalor
