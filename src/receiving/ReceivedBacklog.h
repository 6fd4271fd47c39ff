#pragma once

#include <QString>

namespace qalor {

class CommControl;
class ReceivedJournal;

// The characters read from the CDR port on their way to being cut into
// lines. They go to the received journal before anything else happens to
// them; only journalled characters are handed out, a slice at a time, in
// the order they came. While the journal cannot be written (a full disk)
// they wait in memory, up to a bound; past it they are left with the port.
class ReceivedBacklog
{
public:
    // Characters read that may wait in memory for the journal.
    static constexpr qsizetype UnjournalledLimit = 1024 * 1024;
    // Characters handed out at a time.
    static constexpr qsizetype Slice = 64 * 1024;

    explicit ReceivedBacklog(ReceivedJournal& journal);

    // Reads what the port holds, as far as the bound allows. Throws std::bad_alloc.
    void read(CommControl& port);
    // A break in the stream (a restart) goes in like any received character.
    void addBreak();
    // Writes the characters read and not yet journalled; false (with the
    // reason) while the journal refuses them.
    bool journal(QString& failure);
    qsizetype unjournalled() const { return m_unjournalled.size(); }

    // Whether journalled characters wait to be cut.
    bool waiting() const { return !m_unread.isEmpty(); }
    // The next slice of journalled characters (empty when none waits).
    QString next();
    // Hands out the journalled characters again from position on.
    void rewind(qint64 position);

private:
    ReceivedJournal& m_journal;
    QString m_unread;       // journalled, not yet handed out
    QString m_unjournalled; // read, not yet in the journal (it could not be written)
};

} // namespace qalor
