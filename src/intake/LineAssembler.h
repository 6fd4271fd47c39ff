#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace qalor {

// Assembles received characters into CDR lines.
//
// The stream is cut at every line end: a carriage return with the line feed
// after it, or a carriage return or line feed standing alone. A run of text
// between two line ends is a CDR line when it starts with a digit, its
// carriage return stands exactly at index lineLength - 2 and it holds no
// control characters; anything else (a heading, noise, a line of another
// layout) is handed back as unframed text so that it can be kept. Framing
// starts afresh after every line end, so noise never costs the line after it,
// and no line is ever made of pieces of two. A stream break mark (a network
// connection made afresh, StreamBreak.h) ends a run like a line end: an
// unfinished line before it is never continued by what follows. The first
// piece after a break says so (a device may repeat what it sent before).
//
// A line is handed out only once the character after its carriage return has
// arrived, so that it carries its line feed however the chunks were cut.
// Every piece knows where it ends in the stream, counted in characters from
// the position the assembler was started at.
class LineAssembler
{
public:
    struct Piece
    {
        QString text;            // the characters, line end included
        qint64 end = 0;          // stream position just after the piece
        bool line = false;       // a CDR line of the current layout; else unframed text
        bool afterBreak = false; // the first piece after a stream break mark
    };

    explicit LineAssembler(int lineLength = 0);
    void setLineLength(int lineLength);
    int lineLength() const { return m_lineLength; }

    // Appends a chunk; returns the pieces now complete, oldest first.
    // Without a line length nothing is cut: the characters wait for a layout.
    QList<Piece> take(const QString& chunk);
    // The lines among take()'s pieces.
    QStringList feed(const QString& chunk);

    const QString& buffer() const { return m_buffer; }
    // Stream position of the first buffered character.
    qint64 position() const { return m_position; }
    // Forgets the buffer (and a break not yet followed by a piece) and
    // starts counting at the given stream position.
    void restart(qint64 position);
    // Characters kept at most while no line end arrives; older ones are
    // handed out as unframed text.
    int bufferLimit() const;

private:
    void cut(qsizetype count, bool line, QList<Piece>& pieces);

    int m_lineLength;
    QString m_buffer;
    qint64 m_position = 0;
    bool m_broken = false; // a break mark was taken and no piece has come after it
};

} // namespace qalor
