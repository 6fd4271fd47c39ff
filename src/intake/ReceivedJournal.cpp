#include "intake/ReceivedJournal.h"

#include "intake/DataFolder.h"

namespace qalor {

namespace {
constexpr char StartNote = 'o';   // position of the file's first character
constexpr char HandledNote = 'h'; // handled through
// Characters written before the file is rewritten without its handled part.
constexpr qint64 CompactAfter = 256 * 1024;
} // namespace

QString ReceivedJournal::defaultPath()
{
    return dataFolder() + QStringLiteral("/received.journal");
}

ReceivedJournal::ReceivedJournal(const QString& path) : m_journal(path)
{
    m_end = m_journal.note(StartNote);
    for (const LineJournal::Entry& entry : m_journal.entries())
        m_end += entry.text.size();
}

qint64 ReceivedJournal::append(const QString& chunk)
{
    m_journal.append(chunk);
    m_end += chunk.size();
    m_written += chunk.size();
    return m_end;
}

QString ReceivedJournal::textFrom(qint64& position) const
{
    qint64 at = m_journal.note(StartNote);
    position = qMax(position, at);
    QString text;
    for (const LineJournal::Entry& entry : m_journal.entries()) {
        const qint64 next = at + entry.text.size();
        if (next > position)
            text += entry.text.mid(qMax<qint64>(0, position - at));
        at = next;
    }
    position = qMin(position, at);
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
    qint64 from = keepFrom >= 0 ? qMin(keepFrom, position) : position;
    const QString rest = textFrom(from);
    m_journal.replace(rest.isEmpty() ? QStringList() : QStringList{rest},
                      {{StartNote, from}, {HandledNote, qMax(from, position)}});
    m_written = 0;
}

} // namespace qalor
