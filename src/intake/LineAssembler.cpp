#include "intake/LineAssembler.h"

#include "prompt/Prompt.h"
#include "serial/StreamBreak.h"

#include <new>

namespace qalor {

namespace {
constexpr int MinimumBuffer = 16384;
constexpr int LinesKept = 4;

bool startsWithDigit(const QString& text)
{
    return !text.isEmpty() && text.at(0) >= QLatin1Char('0') && text.at(0) <= QLatin1Char('9');
}
} // namespace

LineAssembler::LineAssembler(int lineLength) : m_lineLength(lineLength) {}

void LineAssembler::setLineLength(int lineLength)
{
    m_lineLength = lineLength;
}

int LineAssembler::bufferLimit() const
{
    return qMax(MinimumBuffer, LinesKept * qMax(0, m_lineLength));
}

QStringList LineAssembler::feed(const QString& chunk)
{
    QStringList lines;
    try {
        m_buffer += chunk;
        const qsizetype crAt = qsizetype(m_lineLength) - 2;
        for (;;) {
            // A line feed left over from the line before (its line was cut
            // as soon as the carriage return arrived) is not part of the next.
            qsizetype start = 0;
            while (start < m_buffer.size() && m_buffer.at(start) == QLatin1Char('\n'))
                ++start;
            if (start > 0)
                m_buffer.remove(0, start);

            // Where the stream was broken, an unfinished line ends: the
            // characters after the mark do not continue it.
            const qsizetype mark = m_buffer.indexOf(QChar(StreamBreak));
            const qsizetype cr = m_buffer.indexOf(QLatin1Char('\r'));
            if (mark >= 0 && (cr < 0 || mark < cr)) {
                m_buffer.remove(0, mark + 1);
                continue;
            }
            if (cr < 0)
                break;
            // A line whose carriage return came last before the break is
            // whole; only its line feed was lost.
            const bool brokenAfter = cr + 1 < m_buffer.size() && m_buffer.at(cr + 1) == QChar(StreamBreak);
            const qsizetype cut = brokenAfter ? cr + 1 : qMin(cr + 2, m_buffer.size());
            if (cr == crAt && startsWithDigit(m_buffer))
                lines << m_buffer.left(cut);
            // A misplaced carriage return, or a line that does not start with
            // a digit (a heading, noise): everything up to it goes.
            m_buffer.remove(0, cut);
        }
        // What remains holds no carriage return. Characters that never form a
        // line must not pile up: keep only the newest.
        const qsizetype limit = bufferLimit();
        if (m_buffer.size() > limit)
            m_buffer.remove(0, m_buffer.size() - limit);
    } catch (const std::bad_alloc&) {
        Prompt::inform(Prompt::outOfMemoryText());
    }
    return lines;
}

} // namespace qalor
