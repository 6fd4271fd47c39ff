#pragma once

#include "format/Money.h"

#include <QDate>
#include <QList>
#include <QString>

namespace qalor {

// Checks 费率表 against the calls of a period of 话费表: the dialled prefixes
// whose calls found a rate entry only partly (the entry's prefix is longer
// than the part it shares with the number, as when 0081 takes the nearest
// entry because Japan is missing) or found none. The lookup is the engine's
// own: the entry sharing the longest prefix, the last of equals.
class RateCheck
{
public:
    struct Finding
    {
        QString prefix;        // the dialled number up to one character past the shared part
        QString matchedPrefix; // the entry the calls took; empty: none matched
        QString matchedArea;
        int calls = 0;
        Money amount; // 通话费 + 附加费 of those calls, as their lines show them
    };

    // Findings by prefix. Reads the rate table afresh (its own messages on
    // failure) and the calls whose 日期 lies from `from` to `to`. Raises
    // DbError when the calls cannot be read.
    static QList<Finding> run(QDate from, QDate to);
};

} // namespace qalor
