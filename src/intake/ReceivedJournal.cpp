#include "intake/ReceivedJournal.h"

#include "intake/DataFolder.h"

#include <QFile>

namespace qalor {

namespace {
constexpr char StartNote = 'o';   // position of the file's first character
constexpr char HandledNote = 'h'; // handled through
// Characters written before the file is rewritten without its handled part.
constexpr qint64 CompactAfter = 256 * 1024;
// Entries read from the file at a time.
constexpr qsizetype EntriesRead = 64;
// Bytes at the file's top that tell one rewrite of it from another: the
// identity and the numbering base.
constexpr qint64 HeadBytes = 256;
} // namespace

QString ReceivedJournal::defaultPath()
{
    return dataFolder() + QStringLiteral("/received.journal");
}

ReceivedJournal::ReceivedJournal(const QString& path) : m_journal(path)
{
    qint64 count = 0;
    m_end = read(0, [&count](QStringView text) {
        count += text.size();
        return true;
    });
    m_end += count;
}

qint64 ReceivedJournal::read(qint64 position, const std::function<bool(QStringView text)>& take) const
{
    QFile file(m_journal.path());
    const QByteArray head = file.open(QIODevice::ReadOnly) ? file.read(HeadBytes) : QByteArray();
    file.close();
    if (head.isEmpty() || head != m_cursor.head)
        m_cursor = {head, m_journal.note(StartNote), -1, {}};
    position = qMax(position, m_cursor.first);
    qint64 at = m_cursor.first;
    LineJournal::Position next;
    if (m_cursor.at >= 0 && m_cursor.at <= position) {
        at = m_cursor.at;
        next = m_cursor.entry;
    }
    while (true) {
        if (at <= position) {
            m_cursor.at = at;
            m_cursor.entry = next;
        }
        const QList<LineJournal::Entry> entries = m_journal.entriesFrom(next, 0, EntriesRead);
        if (entries.isEmpty())
            break;
        for (const LineJournal::Entry& entry : entries) {
            const qint64 after = at + entry.text.size();
            if (after > position && !take(QStringView(entry.text).sliced(qMax<qint64>(0, position - at))))
                return position;
            at = after;
        }
    }
    return qMin(position, at);
}

qint64 ReceivedJournal::append(const QString& chunk)
{
    m_journal.append(chunk);
    m_end += chunk.size();
    m_written += chunk.size();
    return m_end;
}

QString ReceivedJournal::textFrom(qint64& position, qsizetype limit) const
{
    QString text;
    position = read(position, [&](QStringView part) {
        text += part.first(qMin(part.size(), limit - text.size()));
        return text.size() < limit;
    });
    if (text.size() == limit && text.size() > 1 && text.back().isHighSurrogate())
        text.chop(1);
    return text;
}

qint64 ReceivedJournal::handledThrough() const
{
    return m_journal.note(HandledNote);
}

void ReceivedJournal::markHandled(qint64 position)
{
    m_journal.setNote(HandledNote, position);
}

void ReceivedJournal::compact(qint64 position, qint64 keepFrom)
{
    if (m_written < CompactAfter)
        return;
    const qint64 wanted = keepFrom >= 0 ? qMin(keepFrom, position) : position;
    const qint64 from = qBound(m_journal.note(StartNote), wanted, m_end);
    // After a long outage the characters kept are many: they go over a few
    // entries at a time, as they were written.
    m_journal.rewrite(
        [&](const LineJournal::LineSink& write) {
            read(from, [&write](QStringView text) {
                write(text.toString());
                return true;
            });
        },
        {{StartNote, from}, {HandledNote, qMax(from, position)}});
    m_written = 0;
}

} // namespace qalor
