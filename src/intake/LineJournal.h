#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace qalor {

// An append-only file of text entries that must survive a crash or restart:
// CDR lines, chunks of received characters or canonical records not yet
// stored. Each append reaches the disk before it returns.
//
// Entries are numbered: the first entry ever appended is 1, and numbers go on
// across rewrites. A journal has a random identity, written once, under which
// the data source keeps the number of the last entry it has stored (see
// JournalMark), so that whatever part of a replay committed before a crash is
// never stored again. An entry may carry the stream position it came from
// (its source), and the journal keeps named numbers (notes) for its owner.
// Forgetting entries appends a mark (cheap, crash-safe); replace() rewrites
// the file atomically.
class LineJournal
{
public:
    struct Entry
    {
        qint64 number = 0;
        qint64 source = -1; // -1: none
        qint64 time = -1;   // when it was kept, ms since the epoch; -1: not noted
        QString text;
    };

    explicit LineJournal(const QString& path);

    const QString& path() const { return m_path; }
    // Throws std::runtime_error when the entry cannot be written. Returns its number.
    // time: when the entry was kept (ms since the epoch), -1 for none.
    qint64 append(const QString& line, qint64 source = -1, qint64 time = -1);
    // Appends several lines, without sources or times, with one write to the
    // disk. Returns the number of the last.
    qint64 append(const QStringList& lines);
    // The entries still pending, oldest first: those after the last
    // forgetting mark and after doneThrough.
    QList<Entry> entries(qint64 doneThrough = 0) const;
    QStringList lines() const;
    // Where a reading in parts stands: the next line's byte offset and the
    // number of the last entry before it. A journal rewritten since (replace,
    // clear) is read again from a new Position.
    struct Position
    {
        qint64 offset = 0;
        qint64 lastNumber = 0;
    };
    // What is pending, counted without holding the entries: how many after
    // doneThrough, the number up to which entries are forgotten or done,
    // and the position of the journal's end.
    struct Pending
    {
        qint64 count = 0;
        qint64 doneThrough = 0;
        Position end;
    };
    Pending pending(qint64 doneThrough = 0) const;
    // Reads on from at: at most count entries numbered after doneThrough,
    // oldest first, and moves at past what it read. A long journal is read a
    // slice at a time this way, never held whole.
    QList<Entry> entriesFrom(Position& at, qint64 doneThrough, qsizetype count) const;
    // Forgets the oldest count pending entries.
    void dropFirst(int count);
    // Forgets every entry numbered up to and including number.
    void dropThrough(qint64 number);
    bool isEmpty() const;
    // Keeps only the given lines (those still pending), atomically. They are
    // numbered after every entry the journal ever held; notes and identity stay.
    // Notes given here replace those of the same name in the same step.
    void replace(const QStringList& remaining, const QHash<char, qint64>& notes = {});
    // As replace(), with the remaining lines handed to write one at a time by
    // fill, so that a long rest goes to the new file without being held whole.
    using LineSink = std::function<void(const QString& line)>;
    void rewrite(const std::function<void(const LineSink& write)>& fill,
                 const QHash<char, qint64>& notes = {});
    void clear() { replace({}); }

    // The identity under which the data source marks what it stored; made
    // (and written) on first use.
    QString identity();
    // The highest entry number and the highest source ever written.
    qint64 lastNumber() const;
    qint64 lastSource() const;
    // A named number (one letter), the last one written wins; fallback when none.
    void setNote(char key, qint64 value);
    qint64 note(char key, qint64 fallback = 0) const;

private:
    struct Content;
    Content read() const;
    // Reads the file a line at a time from the byte offset from, numbering
    // entries on after lastNumber. Data entries go to take (when given) and
    // are not kept; take returning false ends the reading after that entry.
    Content scan(const std::function<bool(Entry&&)>& take, qint64 from = 0, qint64 lastNumber = 0) const;
    void appendEntry(const QByteArray& bytes);
    // Makes what append() needs current; the identity mark to write first
    // when the journal has none yet.
    QByteArray startAppend();

    QString m_path;
    // What append() needs, valid while the file has the size noted.
    struct Tail
    {
        qint64 size = -1;
        QString identity;
        qint64 lastNumber = 0;
    } m_tail;
};

} // namespace qalor
