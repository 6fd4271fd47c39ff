#pragma once

#include "rating/CallRecordFields.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <functional>

namespace qalor {

// The starts of the calls from each extension to each number, for counting
// the calls of one pair within some minutes. The calls of a day are read
// from 话费表 once, the first time one of its calls is noted; later calls of
// that day are only added.
class RepeatCalls
{
public:
    // The longest window asked for, in seconds (at most a day): the day
    // before is read too when a window reaches back into it.
    void setLongestWindow(int seconds) { m_window = qBound(0, seconds, 86400); }

    // Notes a call that has just been stored in 话费表. Raises DbError when
    // a day cannot be read.
    void note(const QString& caller, const QString& called, CallMoment start);
    // The starts noted of the calls from caller to called (nullptr: none).
    const QList<qint64>* startsOf(const QString& caller, const QString& called) const;
    // Of those, the calls that started from windowSeconds before start up to
    // start, both included (the call at start among them).
    static int countWithin(const QList<qint64>* starts, CallMoment start, int windowSeconds);

    void forget();

    // Run before 话费表 is read: rows still waiting to be written are written.
    void setBeforeReading(std::function<void()> hook) { m_beforeReading = std::move(hook); }

private:
    static QString key(const QString& caller, const QString& called);
    // True when the day was read now (the stored call is among its rows).
    bool ensureDay(qint64 julianDay);

    int m_window = 0;
    QSet<qint64> m_days;
    QHash<QString, QList<qint64>> m_starts; // serial seconds by caller and number
    std::function<void()> m_beforeReading;
};

} // namespace qalor
