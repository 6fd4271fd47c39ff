#include "serial/SerialCommControl.h"

namespace qalor {

SerialCommControl::SerialCommControl(QObject* parent) : BufferedCommControl(parent)
{
    attach(&m_serial);
    m_reopen.setSingleShot(true);
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
    m_lock.unlock();
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
    m_taken = false;
    if (!open) {
        m_open = false;
        if (m_serial.isOpen())
            m_serial.close();
        m_lock.unlock();
        emit linkChanged();
        return;
    }
    // What the device already holds are calls printed while the port was
    // closed: they are read like the rest.
    m_open = true;
    m_broken = false;
    m_pause.reset();
    if (openDevice()) {
        emit linkChanged();
        return;
    }
    // Taken by another program, the port stays closed: nothing changed.
    if (!m_taken) {
        retryLater();
        emit linkChanged();
    }
}

bool SerialCommControl::openDevice()
{
    const QString name = deviceName();
    switch (m_lock.lockDevice(name)) {
    case PortLock::Result::Locked:
        break;
    case PortLock::Result::Taken:
        setLastError(PortLock::takenText());
        m_taken = true;
        m_open = false;
        return false;
    case PortLock::Result::Failed:
        setLastError(m_lock.error());
        return false;
    }
    m_serial.setPortName(name);
    if (!m_serial.open(QIODevice::ReadWrite)) {
        setLastError(m_serial.errorString());
        m_lock.unlock();
        return false;
    }
    setLastError(QString());
    takeCarried();
    applySettings();
    m_serial.setRequestToSend(m_rts);
    m_serial.setDataTerminalReady(m_dtr);
    return true;
}

void SerialCommControl::retryLater()
{
    m_reopen.start(m_pause.take());
}

void SerialCommControl::lost()
{
    setLastError(m_serial.errorString());
    // Everything the device delivered is kept and announced before the
    // port lets go of it.
    readLine(true);
    m_serial.close();
    m_lock.unlock();
    m_broken = true;
    // A device that carried calls is looked for again soon; one that keeps
    // failing, less and less often.
    if (takeCarried())
        m_pause.reset();
    retryLater();
    emit linkChanged();
}

void SerialCommControl::reopen()
{
    if (!m_open || m_serial.isOpen())
        return;
    if (!openDevice()) {
        if (!m_taken)
            retryLater();
        emit linkChanged();
        return;
    }
    if (m_broken)
        markBreak();
    m_broken = false;
    emit linkChanged();
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
