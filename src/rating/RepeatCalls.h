#pragma once

#include "db/KeptStatement.h"
#include "rating/CallRecordFields.h"

#include <QList>
#include <QString>
#include <functional>

namespace qalor {

// The calls from one extension to one number, as every program stored them
// in 话费表, for counting the calls of a pair within some minutes.
class RepeatCalls
{
public:
    // The longest window asked for, in seconds (at most a day): the day
    // before is read too when a window reaches back into it.
    void setLongestWindow(int seconds) { m_window = qBound(0, seconds, 86400); }

    // The starts (serial seconds) of the stored calls from caller to called
    // within the longest window before start, up to start; the call just
    // stored is among them. On PostgreSQL it first waits for any other
    // transaction that is counting the same pair, so that of two programs
    // storing calls of one pair at the same moment the later sees the
    // earlier's call. Raises DbError.
    QList<qint64> startsBefore(const QString& caller, const QString& called, CallMoment start);
    // Of those, the calls that started from windowSeconds before start up to
    // start, both included.
    static int countWithin(const QList<qint64>& starts, CallMoment start, int windowSeconds);

    // Run before 话费表 is read: rows still waiting to be written are written.
    void setBeforeReading(std::function<void()> hook) { m_beforeReading = std::move(hook); }

private:
    int m_window = 0;
    std::function<void()> m_beforeReading;
    KeptStatement m_pairLock{QStringLiteral("SELECT pg_advisory_xact_lock(?)")};
    KeptStatement m_starts{
        QStringLiteral("SELECT 日期, 时间 FROM 话费表 WHERE 主叫号=? AND 日期>=? AND 日期<=? AND 被叫号=?")};
};

} // namespace qalor
