#include "serial/BufferedCommControl.h"

#include "serial/StreamBreak.h"

#include <QIODevice>

namespace qalor {

namespace {
// How long the line must stay quiet before a short remainder is reported.
constexpr int QuietMs = 30;
} // namespace

BufferedCommControl::BufferedCommControl(QObject* parent) : CommControl(parent)
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(QuietMs);
    connect(&m_quiet, &QTimer::timeout, this, [this] {
        if (!m_buffer.isEmpty())
            raiseReceive();
    });
}

void BufferedCommControl::attach(QIODevice* line)
{
    if (m_line)
        disconnect(m_line, nullptr, this, nullptr);
    m_line = line;
    if (m_line)
        connect(m_line, &QIODevice::readyRead, this, [this] { readLine(); });
}

void BufferedCommControl::take(bool all)
{
    if (!m_line || !m_line->isOpen())
        return;
    const qint64 room =
        m_inBufferSize > 0 && !all ? m_inBufferSize - m_buffer.size() : m_line->bytesAvailable();
    if (room <= 0)
        return;
    const QByteArray bytes = m_line->read(room);
    m_carried = m_carried || !bytes.isEmpty();
    m_buffer += QString::fromLatin1(bytes);
}

void BufferedCommControl::readLine(bool all)
{
    take(all);
    announce();
}

void BufferedCommControl::markBreak()
{
    m_buffer += QChar(StreamBreak);
}

void BufferedCommControl::discardInput()
{
    m_buffer.clear();
    m_quiet.stop();
}

void BufferedCommControl::announce()
{
    if (m_buffer.isEmpty())
        return;
    // At once, inside the read notification: a reader that journals what
    // it takes must have it on disk before anything else runs (a kill in
    // between would lose characters read from the line).
    emit arrived();
    if (m_buffer.isEmpty())
        return;
    if (m_rThreshold <= 0)
        return;
    if (m_buffer.size() >= m_rThreshold)
        QMetaObject::invokeMethod(this, &BufferedCommControl::raiseIfBuffered, Qt::QueuedConnection);
    else
        m_quiet.start();
}

void BufferedCommControl::raiseIfBuffered()
{
    if (!m_buffer.isEmpty() && m_rThreshold > 0)
        raiseReceive();
}

void BufferedCommControl::raiseReceive()
{
    m_quiet.stop();
    const qsizetype before = m_buffer.size();
    m_event = ReceiveEvent;
    emit comm();
    m_event = NoEvent;
    // What a reading handler left unread is reported again at once.
    if (!m_buffer.isEmpty() && m_buffer.size() < before && m_rThreshold > 0)
        QTimer::singleShot(0, this, [this] {
            if (!m_buffer.isEmpty())
                raiseReceive();
        });
}

QString BufferedCommControl::input()
{
    const qsizetype count = m_inputLen > 0 ? qMin<qsizetype>(m_inputLen, m_buffer.size()) : m_buffer.size();
    const QString text = m_buffer.left(count);
    m_buffer.remove(0, count);
    // Room was made: what the line kept meanwhile moves up.
    take(false);
    return text;
}

} // namespace qalor
