#pragma once

#include <QString>

namespace qalor {

class CommControl;
class ReceivedJournal;

// The characters read from the CDR port on their way to being cut into
// lines. They go to the received journal before anything else happens to
// them; only journalled characters are handed out, a slice at a time, in
// the order they came. Memory holds a bounded piece of what waits to be cut
// (a collector far behind a fast line would otherwise hold its whole
// backlog): the rest is read back from the journal as it is needed. While
// the journal cannot be written (a full disk) characters wait in memory, up
// to a bound; past it they are left with the port.
class ReceivedBacklog
{
public:
    // Characters read that may wait in memory for the journal.
    static constexpr qsizetype UnjournalledLimit = 1024 * 1024;
    // Characters handed out at a time.
    static constexpr qsizetype Slice = 64 * 1024;
    // Journalled characters held in memory, waiting to be handed out.
    static constexpr qsizetype Held = 4 * Slice;

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
    bool waiting() const;
    // How many journalled characters are held in memory.
    qsizetype held() const { return m_unread.size(); }
    // The next slice of journalled characters (empty when none waits).
    QString next();
    // Hands out the journalled characters again from position on.
    void rewind(qint64 position);

private:
    // Reads the next piece from the journal, from m_readTo on.
    void readOn();

    ReceivedJournal& m_journal;
    QString m_unread;       // journalled, not yet handed out
    qint64 m_readTo = 0;    // the journal's position after m_unread
    QString m_unjournalled; // read, not yet in the journal (it could not be written)
};

} // namespace qalor
