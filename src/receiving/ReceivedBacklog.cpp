#include "receiving/ReceivedBacklog.h"

#include "intake/ReceivedJournal.h"
#include "serial/CommControl.h"
#include "serial/StreamBreak.h"

namespace qalor {

ReceivedBacklog::ReceivedBacklog(ReceivedJournal& journal) : m_journal(journal) {}

void ReceivedBacklog::read(CommControl& port)
{
    // The control hands out at most InputLen characters per read: take
    // everything it holds (while the journal cannot take them, only as
    // many as may wait in memory).
    while (m_unjournalled.size() < UnjournalledLimit) {
        const QString part = port.input();
        if (part.isEmpty())
            break;
        m_unjournalled += part;
    }
}

void ReceivedBacklog::addBreak()
{
    m_unjournalled += QChar(StreamBreak);
}

bool ReceivedBacklog::journal(QString& failure)
{
    if (m_unjournalled.isEmpty())
        return true;
    const qint64 before = m_journal.end();
    try {
        m_journal.append(m_unjournalled);
    } catch (const std::exception& error) {
        failure = QString::fromLocal8Bit(error.what());
        return false;
    }
    // Kept in memory while nothing before them waits in the journal alone
    // and the bound allows; otherwise they are read back when their turn comes.
    if (m_readTo == before && m_unread.size() + m_unjournalled.size() <= Held) {
        m_unread += m_unjournalled;
        m_readTo = m_journal.end();
    }
    m_unjournalled.clear();
    return true;
}

bool ReceivedBacklog::waiting() const
{
    return !m_unread.isEmpty() || m_readTo < m_journal.end();
}

QString ReceivedBacklog::next()
{
    if (m_unread.isEmpty())
        readOn();
    qsizetype count = qMin(m_unread.size(), Slice);
    if (count < m_unread.size() && m_unread.at(count - 1).isHighSurrogate())
        --count; // a pair of surrogates stays whole
    const QString slice = m_unread.first(count);
    m_unread.remove(0, count);
    return slice;
}

void ReceivedBacklog::rewind(qint64 position)
{
    m_unread.clear();
    m_readTo = position;
    readOn();
}

void ReceivedBacklog::readOn()
{
    // Only a bounded piece is read back; the journal never ends a piece
    // between the two halves of a surrogate pair.
    qint64 at = m_readTo;
    m_unread = m_journal.textFrom(at, Held);
    if (m_unread.isEmpty()) {
        m_readTo = m_journal.end(); // nothing more to read, whatever the file says
        return;
    }
    m_unread.squeeze();
    m_readTo = at + m_unread.size();
}

} // namespace qalor
