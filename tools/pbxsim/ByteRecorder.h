#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QString>

namespace qalor::pbxsim {

// The log of what the workstation sends to the exchange, one entry per read
// of a line: wall-clock time, the line's name, milliseconds on a monotonic
// clock (three decimals, so that pauses can be measured) and the bytes
// escaped, e.g.
//   2026-03-15T10:15:00.120 CDR 1532.418 m 8101\r
// Both lines of the exchange (the CDR line and the modem) may write to one
// recorder from their own threads.
class ByteRecorder
{
public:
    bool open(const QString& path);
    QString errorString() const { return m_file.errorString(); }
    void record(const QString& lineName, const QByteArray& bytes);

    // One entry read back: the line's name, the monotonic time, the bytes.
    struct Entry
    {
        QString line;
        double ms = 0;
        QByteArray bytes;
    };
    static bool parse(const QString& text, Entry& entry);

private:
    QMutex m_mutex;
    QFile m_file;
    QElapsedTimer m_clock;
};

} // namespace qalor::pbxsim
