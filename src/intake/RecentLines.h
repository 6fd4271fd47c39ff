#pragma once

#include <QList>
#include <QString>
#include <QStringView>

namespace qalor {

// The last few CDR lines received from the port, to recognise a line a
// device sends again after the stream broke (a serial device server that
// reconnects resends what it had not seen acknowledged; the workstation
// itself may have read a line just before it was killed). Two different
// calls never print the same characters: the exchange does not print one
// extension's call to one number with the same date, start and end twice,
// so a line that matches one of these in every character is a repeat.
//
// Lines are compared through their carriage return; the line feed after it
// is left out (a connection may break between the two).
class RecentLines
{
public:
    // Lines kept, and lines after a break checked against them.
    static constexpr int Kept = 8;

    // Remembers a line handled (its end is its position in the received stream).
    void add(QStringView line, qint64 end);
    bool contains(QStringView line) const { return endOf(line) >= 0; }
    // Where the kept line identical to line ends in the received stream (-1: none).
    qint64 endOf(QStringView line) const;
    // Where the oldest line kept starts in the received stream (-1: none kept).
    qint64 oldestStart() const;
    bool isEmpty() const { return m_lines.isEmpty(); }
    // The last lines in received text that ended at position end (after a
    // restart: what the journal holds from before the break).
    static RecentLines fromText(QStringView text, qint64 end);

private:
    struct Line
    {
        QString text;
        qint64 start = 0;
        qint64 end = 0;
    };
    QList<Line> m_lines;
};

} // namespace qalor
