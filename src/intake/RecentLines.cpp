#include "intake/RecentLines.h"

#include "serial/StreamBreak.h"

namespace qalor {

namespace {
// The line up to and including its carriage return.
QStringView throughCarriageReturn(QStringView line)
{
    const qsizetype at = line.indexOf(QLatin1Char('\r'));
    return at < 0 ? line : line.left(at + 1);
}

bool isLineEnd(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(StreamBreak);
}
} // namespace

void RecentLines::add(QStringView line, qint64 end)
{
    m_lines.append({throughCarriageReturn(line).toString(), end - line.size(), end});
    if (m_lines.size() > Kept)
        m_lines.removeFirst();
}

qint64 RecentLines::endOf(QStringView line) const
{
    const QStringView key = throughCarriageReturn(line);
    for (const Line& kept : m_lines)
        if (kept.text == key)
            return kept.end;
    return -1;
}

qint64 RecentLines::oldestStart() const
{
    return m_lines.isEmpty() ? -1 : m_lines.first().start;
}

RecentLines RecentLines::fromText(QStringView text, qint64 end)
{
    // Every run that ends with a carriage return, walking back from the end.
    RecentLines recent;
    QList<Line> found;
    qsizetype runEnd = text.size();
    for (qsizetype i = text.size() - 1; i >= -1 && found.size() < Kept; --i) {
        if (i >= 0 && !isLineEnd(text.at(i)))
            continue;
        const qsizetype runStart = i + 1;
        if (runEnd < text.size() && runEnd > runStart && text.at(runEnd) == QLatin1Char('\r')) {
            // The line ends after its line feed where one follows.
            const qsizetype after = runEnd + 1 < text.size() && text.at(runEnd + 1) == QLatin1Char('\n')
                                        ? runEnd + 2
                                        : runEnd + 1;
            found.prepend({text.mid(runStart, runEnd - runStart + 1).toString(),
                           end - (text.size() - runStart), end - (text.size() - after)});
        }
        runEnd = i;
    }
    recent.m_lines = found;
    return recent;
}

} // namespace qalor
