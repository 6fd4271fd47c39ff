#pragma once

#include "intake/LineJournal.h"

#include <QString>
#include <QStringView>
#include <functional>
#include <limits>

namespace qalor {

// Every character read from the CDR port, in the order it came, written to
// disk before anything is done with it. Positions count characters from the
// first ever read. The journal remembers how far its characters have been
// handled (cut into lines and each line stored, collected or kept aside);
// the data source keeps its own mark of the last line stored (JournalMark),
// so after a crash the characters after the later of the two are handled
// again and nothing read is lost or stored twice.
class ReceivedJournal
{
public:
    explicit ReceivedJournal(const QString& path = defaultPath());
    static QString defaultPath();

    // Writes a chunk; returns the position after it. Throws std::runtime_error.
    qint64 append(const QString& chunk);
    // The position after the last character written.
    qint64 end() const { return m_end; }
    // The characters from position on, at most limit of them (position is
    // clamped to what the file still holds). The file is read a few entries
    // at a time, never held whole; a slice that stops at the limit never
    // ends between the two halves of a surrogate pair, so that the next one
    // starts at a whole character.
    QString textFrom(qint64& position, qsizetype limit = std::numeric_limits<qsizetype>::max()) const;
    qint64 handledThrough() const;
    void markHandled(qint64 position);
    // Rewrites the file without the characters before position when it has
    // grown large (they are handled); those from keepFrom on stay readable.
    void compact(qint64 position, qint64 keepFrom = -1);
    QString identity() { return m_journal.identity(); }

private:
    // Hands the characters from position on to take, a journal entry's
    // worth (or its end) at a time, oldest first; take returning false stops
    // the reading. Returns position clamped to what the file holds.
    qint64 read(qint64 position, const std::function<bool(QStringView text)>& take) const;

    LineJournal m_journal;
    // Where the last reading passed, so that slices read one after the
    // other do not each decode the file from its top: the position of an
    // entry's first character and where that entry stands in the file.
    // Good for the file it was taken in only: a rewrite starts the file
    // with another numbering base, so its first bytes tell them apart.
    struct Cursor
    {
        QByteArray head;  // the file's first bytes
        qint64 first = 0; // position of the file's first character
        qint64 at = -1;   // -1: no entry noted
        LineJournal::Position entry;
    };
    mutable Cursor m_cursor;
    qint64 m_end = 0;
    qint64 m_written = 0; // characters appended since the last compaction
};

} // namespace qalor
