#pragma once

#include "serial/CommControl.h"

#include <QByteArray>
#include <QSerialPort>
#include <QTimer>

namespace qalor {

// Port number n is the device named by the per-user setting
// "SerialPorts/COM<n>", /dev/ttyS<n-1> when it is not set.
QString serialDeviceForPort(int port);

// The communications control on QSerialPort. Characters are held in the
// control's own input buffer until read with input(). A receive event is
// raised when the buffer holds at least RThreshold characters, and also when
// the line has gone quiet with fewer buffered, so that the tail of the last
// line never waits for the next call.
class SerialCommControl : public CommControl
{
    Q_OBJECT
public:
    explicit SerialCommControl(QObject* parent = nullptr);
    ~SerialCommControl() override;

    void setCommPort(int port) override;
    int commPort() const override { return m_port; }
    void setSettings(const QString& settings) override;
    void setInBufferSize(int size) override { m_inBufferSize = size; }
    void setOutBufferSize(int) override {}
    void setRThreshold(int count) override { m_rThreshold = count; }
    void setSThreshold(int) override {}
    void setInputLen(int count) override { m_inputLen = count; }
    void setRTSEnable(bool on) override;
    void setDTREnable(bool on) override;
    void setPortOpen(bool open) override;
    bool portOpen() const override { return m_serial.isOpen(); }
    int commEvent() const override { return m_event; }
    QString input() override;
    void output(const QString& text) override;
    QString lastError() const override { return m_lastError; }
    QString deviceName() const { return serialDeviceForPort(m_port); }

private:
    void readArrived();
    void raiseReceive();
    void raiseIfBuffered();
    void applySettings();

    QSerialPort m_serial;
    QTimer m_quiet;
    QByteArray m_buffer;
    int m_port = 1;
    QString m_settings = QStringLiteral("9600,N,8,1");
    int m_inBufferSize = 16384;
    int m_rThreshold = 0;
    int m_inputLen = 0;
    bool m_rts = false;
    bool m_dtr = false;
    int m_event = NoEvent;
    bool m_arrivalPosted = false;
    QString m_lastError;
};

} // namespace qalor
