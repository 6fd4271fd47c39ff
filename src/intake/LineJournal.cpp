#include "intake/LineJournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <unistd.h>

namespace qalor {

namespace {
// Lines are stored escaped so that a CDR line's own carriage return and line
// feed survive: backslash, CR and LF are written as \\, \r and \n. An escaped
// line therefore never starts with a backslash and any other letter, which
// leaves those for the journal's own entries:
//   \i<hex>      identity              \b<n>   numbering base of a rewrite
//   \u<n>        forget through n      \d<n>   forget the oldest n (older files)
//   \x<k><n>     note k                \s<n>:  source of the data entry that follows
//   \m<n>        highest source written before a rewrite
//   \t<ms>:      time the data entry that follows was kept (before \s)
QByteArray escape(const QString& line)
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
    return out.toUtf8();
}

QString unescape(const QByteArray& bytes)
{
    const QString text = QString::fromUtf8(bytes);
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

bool isMark(const QByteArray& line, char kind)
{
    return line.size() >= 2 && line.at(0) == '\\' && line.at(1) == kind;
}

qint64 markValue(const QByteArray& line, qsizetype from = 2)
{
    return line.mid(from).toLongLong();
}

// A number mark in front of a data entry ("\s<n>:"): its value, taken off
// the entry; -1 when the entry does not start with it.
qint64 takePrefixMark(QByteArray& data, char kind)
{
    if (!isMark(data, kind))
        return -1;
    const qsizetype colon = data.indexOf(':');
    const qint64 value = data.mid(2, colon - 2).toLongLong();
    data = data.mid(colon + 1);
    return value;
}

// A write that broke off (the program died inside append) leaves a last
// line without its line feed. That line was never confirmed to the caller;
// cut it off so the next line does not run into it.
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
// The journal's identity is its first identity mark, which stands at or
// near the top: reading stops there, so a batch that asks for it once per
// transaction does not read a long journal through each time. A torn last
// line counts as not there, as everywhere else.
QString firstIdentity(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        if (!line.endsWith('\n'))
            break;
        line.chop(1);
        if (isMark(line, 'i'))
            return QString::fromLatin1(line.mid(2));
    }
    return QString();
}
} // namespace

struct LineJournal::Content
{
    QString identity;
    QList<Entry> entries; // every data entry still in the file
    qint64 lastNumber = 0;
    qint64 lastSource = -1;
    qint64 droppedThrough = 0;
    QHash<char, qint64> notes;
    qint64 end = 0;         // the offset where reading stopped
    qint64 count = 0;       // data entries read
    qint64 firstNumber = 0; // the first one's number
};

LineJournal::LineJournal(const QString& path) : m_path(path) {}

LineJournal::Content LineJournal::read() const
{
    QList<Entry> entries;
    Content content = scan([&entries](Entry&& entry) {
        entries.append(std::move(entry));
        return true;
    });
    content.entries = std::move(entries);
    return content;
}

LineJournal::Content LineJournal::scan(const std::function<bool(Entry&&)>& take, qint64 from,
                                       qint64 lastNumber) const
{
    Content content;
    content.lastNumber = lastNumber;
    content.end = from;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(from))
        return content;
    // Within one file entries are numbered one after the other: the n-th
    // entry forgotten by an older file's mark is the first one's number + n - 1.
    qint64 firstNumber = 0;
    qint64 count = 0;
    qint64 legacyDropped = 0;
    while (true) {
        QByteArray line = file.readLine();
        if (!line.endsWith('\n'))
            break; // the end, or a torn last line
        content.end += line.size();
        line.chop(1);
        if (isMark(line, 'i')) {
            if (content.identity.isEmpty())
                content.identity = QString::fromLatin1(line.mid(2));
        } else if (isMark(line, 'b')) {
            content.lastNumber = qMax(content.lastNumber, markValue(line));
        } else if (isMark(line, 'u')) {
            content.droppedThrough = qMax(content.droppedThrough, markValue(line));
        } else if (isMark(line, 'd')) {
            legacyDropped += markValue(line);
            const qint64 at = qMin(count, legacyDropped);
            if (at > 0)
                content.droppedThrough = qMax(content.droppedThrough, firstNumber + at - 1);
        } else if (isMark(line, 'm')) {
            content.lastSource = qMax(content.lastSource, markValue(line));
        } else if (isMark(line, 'x') && line.size() > 2) {
            content.notes.insert(line.at(2), markValue(line, 3));
        } else if (!line.isEmpty()) {
            Entry entry;
            entry.time = takePrefixMark(line, 't');
            entry.source = takePrefixMark(line, 's');
            content.lastSource = qMax(content.lastSource, entry.source);
            entry.number = ++content.lastNumber;
            if (count++ == 0)
                firstNumber = entry.number;
            if (!take)
                continue;
            entry.text = unescape(line);
            if (!take(std::move(entry)))
                break;
        }
    }
    content.count = count;
    content.firstNumber = firstNumber;
    return content;
}

QByteArray LineJournal::startAppend()
{
    // Appending needs only the identity and the last number: read the file
    // again only when someone else changed it since this journal last wrote.
    if (m_tail.size < 0 || QFileInfo(m_path).size() != m_tail.size) {
        const Content content = scan({});
        m_tail.identity = content.identity;
        m_tail.lastNumber = content.lastNumber;
    }
    if (!m_tail.identity.isEmpty())
        return QByteArray();
    m_tail.identity = QString::number(QRandomGenerator::system()->generate64(), 16);
    return "\\i" + m_tail.identity.toLatin1() + '\n';
}

qint64 LineJournal::append(const QString& line, qint64 source, qint64 time)
{
    QByteArray bytes = startAppend();
    if (time >= 0)
        bytes += "\\t" + QByteArray::number(time) + ':';
    if (source >= 0)
        bytes += "\\s" + QByteArray::number(source) + ':';
    bytes += escape(line) + '\n';
    appendEntry(bytes);
    return ++m_tail.lastNumber;
}

qint64 LineJournal::append(const QStringList& lines)
{
    QByteArray bytes = startAppend();
    for (const QString& line : lines)
        bytes += escape(line) + '\n';
    appendEntry(bytes);
    m_tail.lastNumber += lines.size();
    return m_tail.lastNumber;
}

QList<LineJournal::Entry> LineJournal::entries(qint64 doneThrough) const
{
    const Content content = read();
    const qint64 done = qMax(doneThrough, content.droppedThrough);
    QList<Entry> pending;
    for (const Entry& entry : content.entries)
        if (entry.number > done)
            pending.append(entry);
    return pending;
}

LineJournal::Pending LineJournal::pending(qint64 doneThrough) const
{
    const Content content = scan({});
    Pending pending;
    pending.doneThrough = qMax(doneThrough, content.droppedThrough);
    pending.end = {content.end, content.lastNumber};
    if (content.count > 0) {
        const qint64 last = content.firstNumber + content.count - 1;
        pending.count =
            qBound<qint64>(0, last - qMax(pending.doneThrough, content.firstNumber - 1), content.count);
    }
    return pending;
}

QList<LineJournal::Entry> LineJournal::entriesFrom(Position& at, qint64 doneThrough, qsizetype count) const
{
    QList<Entry> read;
    if (count <= 0)
        return read;
    const Content content = scan(
        [&](Entry&& entry) {
            if (entry.number > doneThrough)
                read.append(std::move(entry));
            return read.size() < count;
        },
        at.offset, at.lastNumber);
    at.offset = content.end;
    at.lastNumber = content.lastNumber;
    return read;
}

QStringList LineJournal::lines() const
{
    QStringList result;
    for (const Entry& entry : entries())
        result << entry.text;
    return result;
}

void LineJournal::dropFirst(int count)
{
    const QList<Entry> pending = entries();
    if (count > 0 && !pending.isEmpty())
        dropThrough(pending.at(qMin<qsizetype>(count, pending.size()) - 1).number);
}

void LineJournal::dropThrough(qint64 number)
{
    if (number > 0)
        appendEntry("\\u" + QByteArray::number(number) + '\n');
}

void LineJournal::appendEntry(const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QFile file(m_path);
    // Unbuffered: what a failed write left must not reach the file later.
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        throw std::runtime_error(("cannot open " + m_path + ": " + file.errorString()).toStdString());
    dropTornTail(file);
    const qint64 before = file.size();
    const int fd = file.handle();
    // Written with the system's calls, so that the reason a full disk gives
    // is what the person is told.
    qint64 written = 0;
    int error = 0;
    if (::lseek(fd, before, SEEK_SET) < 0)
        error = errno;
    while (error == 0 && written < bytes.size()) {
        const ssize_t now = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (now < 0 && errno == EINTR)
            continue;
        if (now <= 0)
            error = now < 0 ? errno : ENOSPC;
        else
            written += now;
    }
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (error != 0) {
        // Part of the entry may have reached the file (a full disk): cut it
        // off, so that the caller can write the whole entry again later and
        // nothing counts twice.
        if (::ftruncate(fd, before) != 0) {
            // The torn entry stays; the next append cuts it off.
        }
        m_tail.size = -1;
        throw std::runtime_error(
            ("cannot write " + m_path + ": " + QString::fromLocal8Bit(std::strerror(error))).toStdString());
    }
    m_tail.size = before + written;
}

bool LineJournal::isEmpty() const
{
    return QFileInfo(m_path).size() == 0 || entries().isEmpty();
}

QString LineJournal::identity()
{
    const QString known = firstIdentity(m_path);
    if (!known.isEmpty())
        return known;
    const QByteArray made = QByteArray::number(QRandomGenerator::system()->generate64(), 16);
    appendEntry("\\i" + made + '\n');
    m_tail.size = -1;
    return firstIdentity(m_path);
}

qint64 LineJournal::lastNumber() const
{
    return scan({}).lastNumber;
}

qint64 LineJournal::lastSource() const
{
    return scan({}).lastSource;
}

void LineJournal::setNote(char key, qint64 value)
{
    appendEntry(QByteArray("\\x") + key + QByteArray::number(value) + '\n');
}

qint64 LineJournal::note(char key, qint64 fallback) const
{
    return scan({}).notes.value(key, fallback);
}

void LineJournal::replace(const QStringList& remaining, const QHash<char, qint64>& notes)
{
    rewrite(
        [&remaining](const LineSink& write) {
            for (const QString& line : remaining)
                write(line);
        },
        notes);
}

void LineJournal::rewrite(const std::function<void(const LineSink& write)>& fill,
                          const QHash<char, qint64>& notes)
{
    Content content = scan({});
    content.notes.insert(notes);
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    // Written beside the file and put in its place at the end: fill may
    // read the old file meanwhile, and a crash leaves it whole.
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error(("cannot write " + m_path + ": " + file.errorString()).toStdString());
    const auto put = [&file](const QByteArray& entry) { file.write(entry + '\n'); };
    if (!content.identity.isEmpty())
        put("\\i" + content.identity.toLatin1());
    put("\\b" + QByteArray::number(content.lastNumber));
    if (content.lastSource >= 0)
        put("\\m" + QByteArray::number(content.lastSource));
    for (auto note = content.notes.cbegin(); note != content.notes.cend(); ++note)
        put(QByteArray("\\x") + note.key() + QByteArray::number(note.value()));
    fill([&](const QString& line) { put(escape(line)); });
    m_tail.size = -1;
    if (!file.commit())
        throw std::runtime_error(("cannot write " + m_path + ": " + file.errorString()).toStdString());
}

} // namespace qalor
