#pragma once

#include "intake/LineJournal.h"

#include <QString>

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
    // The characters from position on (position is clamped to what the file still holds).
    QString textFrom(qint64& position) const;
    qint64 handledThrough() const;
    void markHandled(qint64 position);
    // Rewrites the file without the characters before position when it has
    // grown large (they are handled); those from keepFrom on stay readable.
    void compact(qint64 position, qint64 keepFrom = -1);
    QString identity() { return m_journal.identity(); }

private:
    LineJournal m_journal;
    qint64 m_end = 0;
    qint64 m_written = 0; // characters appended since the last compaction
};

} // namespace qalor
