#include "receiving/ReportLines.h"

#include "intake/DataFolder.h"
#include "intake/JournalMark.h"
#include "prompt/Prompt.h"

#include <stdexcept>

namespace qalor {

ReportLines::ReportLines(const QString& journalPath) : m_journal(journalPath) {}

QString ReportLines::defaultJournalPath()
{
    return dataFolder() + QStringLiteral("/report-lines.journal");
}

bool ReportLines::collect(const QString& line, qint64 source, QString* failure)
{
    if (!m_placed) {
        // Not restored: what an earlier run left in the journal is not this
        // list's (restore() takes it up).
        const LineJournal::Pending left = m_journal.pending();
        m_read = left.end;
        m_doneThrough = left.end.lastNumber;
        m_placed = true;
    }
    try {
        m_journal.append(line, source);
        m_failureShown = false;
    } catch (const std::exception& error) {
        const QString reason = QString::fromLocal8Bit(error.what());
        if (failure)
            *failure = reason;
        else if (!m_failureShown)
            Prompt::inform(reason);
        m_failureShown = true;
        return false;
    }
    ++m_waiting;
    return true;
}

int ReportLines::restore()
{
    qint64 storedThrough = 0;
    try {
        storedThrough = JournalMark::read(m_journal.identity());
    } catch (const std::exception&) {
        // The data source is away: its mark is read again inside each batch.
    }
    const LineJournal::Pending pending = m_journal.pending(storedThrough);
    m_read = {};
    m_doneThrough = pending.doneThrough;
    m_front.clear();
    m_waiting = int(pending.count);
    m_placed = true;
    return size();
}

void ReportLines::readAhead(QList<LineJournal::Entry>& front, LineJournal::Position& at, qsizetype count) const
{
    while (front.size() < count) {
        const QList<LineJournal::Entry> read = m_journal.entriesFrom(at, m_doneThrough, count - front.size());
        if (read.isEmpty())
            return;
        front.append(read);
    }
}

QList<LineJournal::Entry> ReportLines::first(int count)
{
    const qsizetype wanted = qBound(0, count, m_waiting);
    readAhead(m_front, m_read, wanted);
    // Fewer than counted could be read (the journal was changed from
    // outside): what cannot be read cannot be priced either.
    if (m_front.size() < wanted)
        m_waiting = int(m_front.size());
    return m_front.first(qMin(wanted, m_front.size()));
}

QStringList ReportLines::lines() const
{
    QList<LineJournal::Entry> front = m_front;
    LineJournal::Position at = m_read;
    readAhead(front, at, m_waiting);
    QStringList texts;
    texts.reserve(front.size());
    for (const LineJournal::Entry& entry : std::as_const(front))
        texts << entry.text;
    return texts.mid(0, m_waiting);
}

bool ReportLines::dropFirst(int count)
{
    const QList<LineJournal::Entry> dropped = first(count);
    qint64 through = 0;
    for (const LineJournal::Entry& entry : dropped)
        through = qMax(through, entry.number);
    m_front.remove(0, dropped.size());
    m_waiting -= int(dropped.size());
    m_doneThrough = qMax(m_doneThrough, through);
    try {
        if (m_waiting == 0) {
            m_journal.clear();
            m_read = {}; // read again from the rewritten start
            m_front.clear();
        } else {
            m_journal.dropThrough(through);
        }
        return true;
    } catch (const std::exception& error) {
        Prompt::inform(QString::fromStdString(error.what()));
        return false;
    }
}

QString ReportLines::statusText(bool collecting) const
{
    return statusText(size(), collecting);
}

QString ReportLines::statusText(int waiting, bool collecting)
{
    if (collecting)
        return QStringLiteral("REPORT: 正在接收, %1 行待计算").arg(waiting);
    if (waiting == 0)
        return QString();
    return QStringLiteral("REPORT: %1 行待计算").arg(waiting);
}

} // namespace qalor
