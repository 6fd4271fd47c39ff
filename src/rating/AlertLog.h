#pragma once

#include "rating/Alert.h"

#include <QDate>
#include <QList>

namespace qalor {

class CDatabase;

// 告警记录表: the calls the alert rules matched, and who acknowledged them.
// Every function raises DbError with the driver's text.
class AlertLog
{
public:
    struct Row
    {
        int id = 0;
        Alert alert;
        QString acknowledgedBy; // empty while nobody has
        QDateTime acknowledged;
    };

    // Adds the alert unless the same call is logged for the same rule
    // already; true when a row was added. A statement that changes nothing
    // on a repeat, so that a batch or replay inside a transaction goes on.
    static bool insert(CDatabase& db, const Alert& alert);

    static int unacknowledgedCount(CDatabase& db);
    // The alerts of calls from the first day to the last (by the call's
    // date), oldest call first; only those nobody acknowledged when asked.
    static QList<Row> list(CDatabase& db, QDate from, QDate to, bool onlyUnacknowledged = false);
    // Oldest call first, as list() orders them: a batch computed late
    // does not put its old calls after newer ones.
    static QList<Row> unacknowledged(CDatabase& db);
    // Notes who acknowledged the alerts and when; those acknowledged
    // already keep their first acknowledgement. Returns how many changed.
    static int acknowledge(CDatabase& db, const QList<int>& ids, const QString& who, const QDateTime& when);
};

} // namespace qalor
