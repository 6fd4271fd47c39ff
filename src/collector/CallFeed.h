#pragma once

#include "rating/CCallRater.h"

#include <QList>
#include <QString>

namespace qalor {

// The calls collectors priced lately, in 采集话单表, for the workstations'
// lists. Each row carries its collector's name and a number that grows with
// every call the collector passes on (milliseconds since the epoch times a
// thousand, kept rising), so a window reads what came since it last looked.
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

    // How far back a window looks past the newest number it saw: rows of
    // different collectors may be committed out of their numbers' order.
    static constexpr qint64 Overlap = 10'000'000; // ten seconds

    // The next number for a collector, above the last one it gave.
    static qint64 nextNumber(qint64 last);
    static void append(const QString& service, qint64 number, const PricedCall& call);
    // Rows numbered above the given number, in their order.
    static QList<Entry> after(qint64 number);
    static qint64 newest();
    // Forgets a collector's rows numbered below the given number.
    static void forget(const QString& service, qint64 below);
};

} // namespace qalor
