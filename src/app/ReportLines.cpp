#include "app/ReportLines.h"

#include "prompt/Prompt.h"
#include "intake/DataFolder.h"

#include <stdexcept>

namespace qalor {

ReportLines::ReportLines(const QString& journalPath) : m_journal(journalPath) {}

QString ReportLines::defaultJournalPath()
{
    return dataFolder() + QStringLiteral("/report-lines.journal");
}

void ReportLines::collect(const QString& line)
{
    try {
        m_journal.append(line);
        m_failureShown = false;
    } catch (const std::exception& error) {
        if (!m_failureShown)
            Prompt::inform(QString::fromStdString(error.what()));
        m_failureShown = true;
    }
    m_lines.append(line);
}

int ReportLines::restore()
{
    m_lines = m_journal.lines();
    return size();
}

bool ReportLines::dropFirst(int count)
{
    const int dropped = qBound(0, count, size());
    m_lines.remove(0, dropped);
    try {
        if (m_lines.isEmpty())
            m_journal.clear();
        else
            m_journal.dropFirst(dropped);
        return true;
    } catch (const std::exception& error) {
        Prompt::inform(QString::fromStdString(error.what()));
        return false;
    }
}

QString ReportLines::statusText(bool collecting) const
{
    if (collecting)
        return QStringLiteral("REPORT: 正在接收, %1 行待计算").arg(size());
    if (isEmpty())
        return QString();
    return QStringLiteral("REPORT: %1 行待计算").arg(size());
}

} // namespace qalor
