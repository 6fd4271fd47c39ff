#pragma once

#include "serial/BufferedCommControl.h"
#include "serial/PortMapping.h"

#include <QSerialPort>

namespace qalor {

// The communications control on a serial device (QSerialPort): port number
// n opens the device serialDeviceForPort(n) names.
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
    bool portOpen() const override { return m_serial.isOpen(); }
    void output(const QString& text) override;
    QString deviceName() const { return serialDeviceForPort(commPort()); }

private:
    void applySettings();

    QSerialPort m_serial;
    QString m_settings = QStringLiteral("9600,N,8,1");
    bool m_rts = false;
    bool m_dtr = false;
};

} // namespace qalor
