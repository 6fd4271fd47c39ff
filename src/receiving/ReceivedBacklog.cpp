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
    try {
        m_journal.append(m_unjournalled);
    } catch (const std::exception& error) {
        failure = QString::fromLocal8Bit(error.what());
        return false;
    }
    m_unread += std::exchange(m_unjournalled, QString());
    return true;
}

QString ReceivedBacklog::next()
{
    const QString slice = m_unread.first(qMin(m_unread.size(), Slice));
    m_unread.remove(0, slice.size());
    return slice;
}

void ReceivedBacklog::rewind(qint64 position)
{
    m_unread = m_journal.textFrom(position);
}

} // namespace qalor
