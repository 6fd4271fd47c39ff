#include "ByteRecorder.h"

#include "ByteEscape.h"

#include <QDateTime>
#include <QMutexLocker>

namespace qalor::pbxsim {

bool ByteRecorder::open(const QString& path)
{
    m_file.setFileName(path);
    m_clock.start();
    return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

void ByteRecorder::record(const QString& lineName, const QByteArray& bytes)
{
    const double ms = double(m_clock.nsecsElapsed()) / 1e6;
    const QString entry = QDateTime::currentDateTime().toString(Qt::ISODateWithMs) + QLatin1Char(' ') +
                          lineName + QLatin1Char(' ') + QString::number(ms, 'f', 3) + QLatin1Char(' ') +
                          escapeBytes(bytes) + QLatin1Char('\n');
    const QMutexLocker lock(&m_mutex);
    if (!m_file.isOpen())
        return;
    m_file.write(entry.toUtf8());
    m_file.flush();
}

bool ByteRecorder::parse(const QString& text, Entry& entry)
{
    const QStringList parts = text.split(QLatin1Char(' '));
    if (parts.size() < 4)
        return false;
    bool ok = false;
    entry.line = parts.at(1);
    entry.ms = parts.at(2).toDouble(&ok);
    // The escaped bytes may hold blanks of their own.
    entry.bytes = unescapeBytes(parts.mid(3).join(QLatin1Char(' ')));
    return ok;
}

} // namespace qalor::pbxsim
