#include "serial/SerialCommControl.h"

namespace qalor {

SerialCommControl::SerialCommControl(QObject* parent) : BufferedCommControl(parent)
{
    attach(&m_serial);
    m_reopen.setSingleShot(true);
    m_reopen.setInterval(ReopenPauseMs);
    connect(&m_reopen, &QTimer::timeout, this, &SerialCommControl::reopen);
    // A device that went away fails every read (a pseudo-terminal whose far
    // end closed reads end-of-file at once, again and again): let go of it
    // and open it again once it is back.
    connect(&m_serial, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        if ((error == QSerialPort::ResourceError || error == QSerialPort::ReadError) && m_open &&
            m_serial.isOpen())
            lost();
    });
}

SerialCommControl::~SerialCommControl()
{
    attach(nullptr);
    if (m_serial.isOpen())
        m_serial.close();
}

void SerialCommControl::setSettings(const QString& settings)
{
    m_settings = settings;
    if (m_serial.isOpen())
        applySettings();
}

void SerialCommControl::applySettings()
{
    // "baud,parity,data,stop"; a pseudo-terminal accepts and ignores them.
    const QStringList parts = m_settings.split(QLatin1Char(','));
    if (parts.size() != 4)
        return;
    m_serial.setBaudRate(parts.at(0).toInt());
    const QString parityText = parts.at(1).trimmed().toUpper();
    const QChar parity = parityText.isEmpty() ? QLatin1Char('N') : parityText.at(0);
    m_serial.setParity(parity == QLatin1Char('E')   ? QSerialPort::EvenParity
                       : parity == QLatin1Char('O') ? QSerialPort::OddParity
                                                    : QSerialPort::NoParity);
    m_serial.setDataBits(parts.at(2).toInt() == 7 ? QSerialPort::Data7 : QSerialPort::Data8);
    m_serial.setStopBits(parts.at(3).toInt() == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
}

void SerialCommControl::setRTSEnable(bool on)
{
    m_rts = on;
    if (m_serial.isOpen())
        m_serial.setRequestToSend(on); // fails harmlessly on a pseudo-terminal
}

void SerialCommControl::setDTREnable(bool on)
{
    m_dtr = on;
    if (m_serial.isOpen())
        m_serial.setDataTerminalReady(on);
}

void SerialCommControl::setPortOpen(bool open)
{
    if (open == m_open)
        return;
    discardInput();
    m_reopen.stop();
    if (!open) {
        m_open = false;
        if (m_serial.isOpen())
            m_serial.close();
        return;
    }
    // What the device already holds are calls printed while the port was
    // closed: they are read like the rest.
    m_open = openDevice();
}

bool SerialCommControl::openDevice()
{
    m_serial.setPortName(deviceName());
    if (!m_serial.open(QIODevice::ReadWrite)) {
        setLastError(m_serial.errorString());
        return false;
    }
    setLastError(QString());
    applySettings();
    m_serial.setRequestToSend(m_rts);
    m_serial.setDataTerminalReady(m_dtr);
    return true;
}

void SerialCommControl::lost()
{
    setLastError(m_serial.errorString());
    // Everything the device delivered is kept and announced before the
    // port lets go of it.
    readLine(true);
    m_serial.close();
    m_reopen.start();
}

void SerialCommControl::reopen()
{
    if (!m_open || m_serial.isOpen())
        return;
    if (!openDevice()) {
        m_reopen.start();
        return;
    }
    markBreak();
    readLine();
}

CommControl::Link SerialCommControl::link() const
{
    if (!m_open)
        return Link::Closed;
    return m_serial.isOpen() ? Link::Open : Link::Reconnecting;
}

void SerialCommControl::output(const QString& text)
{
    if (!m_serial.isOpen())
        return;
    m_serial.write(text.toLatin1());
    // Out at once: a pause that follows a write is measured from here.
    m_serial.flush();
}

} // namespace qalor
