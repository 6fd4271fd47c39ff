#pragma once

#include <QString>
#include <QStringList>

namespace qalor {

// Assembles received characters into CDR lines. A line is recognised only
// when the buffer starts with a digit and its carriage return stands exactly
// at index lineLength - 2; everything up to a misplaced carriage return (and
// the character after it) is thrown away. Line feeds at the start of the
// buffer are skipped, every complete line is returned at once, and the buffer
// never grows past its bound. At a stream break mark (StreamBreak.h) an
// unfinished line is thrown away, never joined with what follows the mark.
class LineAssembler
{
public:
    explicit LineAssembler(int lineLength = 0);
    void setLineLength(int lineLength);
    int lineLength() const { return m_lineLength; }

    // Appends a chunk; returns the complete lines now found, oldest first,
    // each with its carriage return and the character after it when present.
    QStringList feed(const QString& chunk);
    const QString& buffer() const { return m_buffer; }
    // Characters kept at most while no line forms.
    int bufferLimit() const;

private:
    int m_lineLength;
    QString m_buffer;
};

} // namespace qalor
