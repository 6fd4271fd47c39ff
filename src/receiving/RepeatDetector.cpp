#include "receiving/RepeatDetector.h"

#include "intake/DataFolder.h"
#include "intake/JournalMark.h"
#include "intake/LineJournal.h"
#include "intake/ReceivedJournal.h"
#include "prompt/Prompt.h"

#include <QDateTime>

namespace qalor {

RepeatDetector::RepeatDetector(ReceivedJournal& received) : m_received(received) {}

QString RepeatDetector::notesPath()
{
    return dataFolder() + QStringLiteral("/repeated-lines.txt");
}

void RepeatDetector::restore(QStringView text, qint64 end)
{
    m_recent = RecentLines::fromText(text, end);
}

void RepeatDetector::breakCame()
{
    m_window = RecentLines::Kept;
    m_storedAtBreak = -1;
}

bool RepeatDetector::skip(const QString& line, bool reportMode)
{
    if (m_window == 0 || !isRepeat(line, reportMode))
        return false;
    // The device sent again what it had sent before the break.
    --m_window;
    note(line);
    return true;
}

void RepeatDetector::handled(const QString& line, qint64 end)
{
    if (m_window > 0)
        --m_window;
    m_recent.add(line, end);
}

bool RepeatDetector::isRepeat(const QString& line, bool reportMode)
{
    if (reportMode)
        return m_recent.contains(line);
    // How far the data source had stored when the break came, read before
    // the first line after it is stored: a line it had not stored then (the
    // data source was changed meanwhile) is not a repeat.
    if (m_storedAtBreak < 0) {
        try {
            const Prompt::Silence quiet;
            m_storedAtBreak = JournalMark::read(m_received.identity());
        } catch (const std::exception&) {
            return false;
        }
    }
    const qint64 end = m_recent.endOf(line);
    return end >= 0 && end <= m_storedAtBreak;
}

void RepeatDetector::note(const QString& line)
{
    // Kept for whoever wants to see what was left out, with the time it came.
    try {
        LineJournal(notesPath())
            .append(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) + line);
    } catch (const std::exception&) {
        // Nothing is lost when the note cannot be written: the line is stored already.
    }
}

} // namespace qalor
