#include "intake/ReportLines.h"

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
    qint64 number = 0;
    try {
        number = m_journal.append(line, source);
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
    m_lines.append(line);
    m_numbers.append(number);
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
    m_lines.clear();
    m_numbers.clear();
    for (const LineJournal::Entry& entry : m_journal.entries(storedThrough)) {
        m_lines.append(entry.text);
        m_numbers.append(entry.number);
    }
    return size();
}

bool ReportLines::dropFirst(int count)
{
    const int dropped = qBound(0, count, size());
    qint64 through = 0;
    for (int i = 0; i < dropped; ++i)
        through = qMax(through, m_numbers.at(i));
    m_lines.remove(0, dropped);
    m_numbers.remove(0, dropped);
    try {
        if (m_lines.isEmpty())
            m_journal.clear();
        else
            m_journal.dropThrough(through);
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
