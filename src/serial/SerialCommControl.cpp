#include "serial/SerialCommControl.h"

#include <QSettings>

namespace qalor {

namespace {
// How long the line must stay quiet before a short remainder is reported.
constexpr int QuietMs = 30;
} // namespace

QString serialDeviceForPort(int port)
{
    const QSettings settings;
    const QString fallback = QStringLiteral("/dev/ttyS%1").arg(port - 1);
    return settings.value(QStringLiteral("SerialPorts/COM%1").arg(port), fallback).toString();
}

SerialCommControl::SerialCommControl(QObject* parent) : CommControl(parent)
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(QuietMs);
    connect(&m_serial, &QSerialPort::readyRead, this, &SerialCommControl::readArrived);
    connect(&m_quiet, &QTimer::timeout, this, [this] {
        if (!m_buffer.isEmpty())
            raiseReceive();
    });
}

SerialCommControl::~SerialCommControl()
{
    disconnect(&m_serial, nullptr, this, nullptr);
    if (m_serial.isOpen())
        m_serial.close();
}

void SerialCommControl::setCommPort(int port)
{
    m_port = port;
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
    if (open == m_serial.isOpen())
        return;
    m_buffer.clear();
    m_quiet.stop();
    if (!open) {
        m_serial.close();
        return;
    }
    m_serial.setPortName(serialDeviceForPort(m_port));
    if (!m_serial.open(QIODevice::ReadWrite)) {
        m_lastError = m_serial.errorString();
        return;
    }
    m_lastError.clear();
    applySettings();
    m_serial.setRequestToSend(m_rts);
    m_serial.setDataTerminalReady(m_dtr);
    m_serial.clear(QSerialPort::Input);
}

void SerialCommControl::readArrived()
{
    m_buffer += m_serial.readAll();
    if (m_inBufferSize > 0 && m_buffer.size() > m_inBufferSize)
        m_buffer.remove(0, m_buffer.size() - m_inBufferSize);
    if (m_rThreshold <= 0)
        return;
    if (m_buffer.size() >= m_rThreshold)
        raiseReceive();
    else
        m_quiet.start();
}

void SerialCommControl::raiseReceive()
{
    m_quiet.stop();
    const qsizetype before = m_buffer.size();
    m_event = ReceiveEvent;
    emit comm();
    m_event = NoEvent;
    // What a reading handler left unread is reported again at once.
    if (m_serial.isOpen() && !m_buffer.isEmpty() && m_buffer.size() < before && m_rThreshold > 0)
        QTimer::singleShot(0, this, [this] {
            if (!m_buffer.isEmpty())
                raiseReceive();
        });
}

QString SerialCommControl::input()
{
    const qsizetype count = m_inputLen > 0 ? qMin<qsizetype>(m_inputLen, m_buffer.size()) : m_buffer.size();
    const QString text = QString::fromLatin1(m_buffer.left(count));
    m_buffer.remove(0, count);
    return text;
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
