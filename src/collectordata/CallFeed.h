#pragma once

#include "rating/CCallRater.h"

#include <QList>
#include <QString>

namespace qalor {

class CDatabase;

// The calls collectors priced lately, in 采集话单表, for the workstations'
// lists. Each row carries its collector's name and a number the data source
// hands out from the counter in 采集序号表: the counter is raised in the
// transaction that adds the row and stays locked until it ends, so numbers
// are given in the order the rows are committed, whatever the collectors'
// clocks say. A window that has read every row up to n never finds a row
// below n committed later, and reads what came since by number alone.
// The call itself is in 话费表 already: a row missing here only misses the
// list. Raises DbError.
class CallFeed
{
public:
    struct Entry
    {
        QString service;
        qint64 number = 0;
        PricedCall call;
    };

    // The newest calls that stay in the table for windows that fell behind.
    static constexpr qint64 KeepCalls = 100'000;

    // Adds a row under the next number and returns the number.
    static qint64 append(const QString& service, const PricedCall& call);
    static qint64 append(CDatabase& db, const QString& service, const PricedCall& call);
    // Rows numbered above the given number, in their order.
    static QList<Entry> after(qint64 number);
    // The last number handed out and committed.
    static qint64 newest();
    // Forgets every row but the newest KeepCalls.
    static void forget();
};

} // namespace qalor
