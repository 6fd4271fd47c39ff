#include "intake/LineAssembler.h"

#include "prompt/Prompt.h"
#include "serial/StreamBreak.h"

#include <new>
#include <utility>

namespace qalor {

namespace {
constexpr int MinimumBuffer = 16384;
constexpr int LinesKept = 4;

bool isLineEnd(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(StreamBreak);
}

// A CDR line is printable text: a NUL or another control character is line
// noise, and a field cut at it would price a wrong number.
bool printable(QStringView text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    return true;
}

bool startsWithDigit(QStringView text)
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

void LineAssembler::restart(qint64 position)
{
    m_buffer.clear();
    m_position = position;
    m_broken = false;
}

void LineAssembler::cut(qsizetype count, bool line, QList<Piece>& pieces)
{
    m_position += count;
    pieces.append({m_buffer.left(count), m_position, line, std::exchange(m_broken, false)});
    m_buffer.remove(0, count);
}

QList<LineAssembler::Piece> LineAssembler::take(const QString& chunk)
{
    QList<Piece> pieces;
    try {
        m_buffer += chunk;
        if (m_lineLength <= 0)
            return pieces;
        const qsizetype crAt = qsizetype(m_lineLength) - 2;
        while (!m_buffer.isEmpty()) {
            qsizetype end = 0;
            while (end < m_buffer.size() && !isLineEnd(m_buffer.at(end)))
                ++end;
            if (end == m_buffer.size()) {
                // No line end yet. Text that never reaches one must not pile
                // up: hand out the oldest, keeping what may start a line.
                const qsizetype limit = bufferLimit();
                if (m_buffer.size() > limit)
                    cut(m_buffer.size() - qMax(1, m_lineLength), false, pieces);
                break;
            }
            const QStringView run = QStringView(m_buffer).left(end);
            const bool carriageReturn = m_buffer.at(end) == QLatin1Char('\r');
            const bool broken = m_buffer.at(end) == QChar(StreamBreak);
            const bool line = carriageReturn && end == crAt && startsWithDigit(run) && printable(run);
            if (line && end + 1 == m_buffer.size())
                break; // its line feed is still on the way
            qsizetype count = end + 1;
            if (carriageReturn && count < m_buffer.size() && m_buffer.at(count) == QLatin1Char('\n'))
                ++count;
            if (run.isEmpty()) {
                // Blank line ends (a line feed left over, empty lines): nothing to keep.
                m_position += count;
                m_buffer.remove(0, count);
                m_broken = m_broken || broken;
                continue;
            }
            cut(count, line, pieces);
            m_broken = broken;
        }
    } catch (const std::bad_alloc&) {
        Prompt::inform(Prompt::outOfMemoryText());
    }
    return pieces;
}

QStringList LineAssembler::feed(const QString& chunk)
{
    QStringList lines;
    for (const Piece& piece : take(chunk))
        if (piece.line)
            lines << piece.text;
    return lines;
}

} // namespace qalor
