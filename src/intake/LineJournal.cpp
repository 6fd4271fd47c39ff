#include "intake/LineJournal.h"

#include "intake/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <stdexcept>
#include <unistd.h>

namespace qalor {

QString dataFolder()
{
    const QString env = qEnvironmentVariable("QALOR_DATA_DIR");
    if (!env.isEmpty())
        return env;
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return base + QStringLiteral("/qalor");
}

namespace {
// Lines are stored escaped so that a CDR line's own carriage return and line
// feed survive: backslash, CR and LF are written as \\, \r and \n.
QString escape(const QString& line)
{
    QString out;
    out.reserve(line.size() + 4);
    for (const QChar c : line) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else
            out += c;
    }
    return out;
}

QString unescape(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\\') || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar next = text.at(++i);
        out += next == QLatin1Char('r')   ? QLatin1Char('\r')
               : next == QLatin1Char('n') ? QLatin1Char('\n')
                                          : next;
    }
    return out;
}

// A write that broke off (the program died inside append) leaves a last
// line without its line feed. That line was never confirmed to the caller;
// cut it off so the next line does not run into it.
// "Forget the oldest N lines" is appended as a line of its own, "\d<N>":
// an escaped line never starts with a lone backslash and a letter d.
const QByteArray DropMark = QByteArrayLiteral("\\d");

void dropTornTail(QFile& file)
{
    const qint64 size = file.size();
    if (size == 0 || !file.seek(size - 1) || file.peek(1) == "\n")
        return;
    file.seek(0);
    const qsizetype lastEnd = file.readAll().lastIndexOf('\n');
    if (!file.resize(lastEnd + 1))
        throw std::runtime_error(
            ("cannot repair " + file.fileName() + ": " + file.errorString()).toStdString());
}
} // namespace

LineJournal::LineJournal(const QString& path) : m_path(path) {}

void LineJournal::append(const QString& line)
{
    appendEntry((escape(line) + QLatin1Char('\n')).toUtf8());
}

void LineJournal::dropFirst(int count)
{
    if (count > 0)
        appendEntry(DropMark + QByteArray::number(count) + '\n');
}

void LineJournal::appendEntry(const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QFile file(m_path);
    if (!file.open(QIODevice::ReadWrite))
        throw std::runtime_error(("cannot open " + m_path + ": " + file.errorString()).toStdString());
    dropTornTail(file);
    file.seek(file.size());
    if (file.write(bytes) != bytes.size() || !file.flush() || ::fsync(file.handle()) != 0)
        throw std::runtime_error(("cannot write " + m_path + ": " + file.errorString()).toStdString());
}

QStringList LineJournal::lines() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList result;
    qsizetype dropped = 0;
    QList<QByteArray> raw = file.readAll().split('\n');
    raw.removeLast(); // empty after the last line feed, or a torn line
    for (const QByteArray& line : raw) {
        if (line.startsWith(DropMark))
            dropped = qMin(result.size(), dropped + line.mid(DropMark.size()).toLongLong());
        else if (!line.isEmpty())
            result << unescape(QString::fromUtf8(line));
    }
    return result.mid(dropped);
}

bool LineJournal::isEmpty() const
{
    return QFileInfo(m_path).size() == 0 || lines().isEmpty();
}

void LineJournal::replace(const QStringList& remaining)
{
    if (remaining.isEmpty()) {
        if (QFile::exists(m_path) && !QFile::remove(m_path))
            throw std::runtime_error(("cannot empty " + m_path).toStdString());
        return;
    }
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error(("cannot write " + m_path + ": " + file.errorString()).toStdString());
    for (const QString& line : remaining)
        file.write((escape(line) + QLatin1Char('\n')).toUtf8());
    if (!file.commit())
        throw std::runtime_error(("cannot write " + m_path + ": " + file.errorString()).toStdString());
}

} // namespace qalor
