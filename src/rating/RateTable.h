#pragma once

#include "rating/PrefixIndex.h"
#include "rating/RateEntry.h"

#include <QList>

namespace qalor {

// The rate list of 费率表 in the order "区号 DESC,折扣类型", and the
// destination lookup over it.
class RateTable
{
public:
    // Refills the list. The loaded mark is set first, so a failed load is not
    // tried again until the next explicit reload.
    bool LoadRates();
    bool isLoaded() const { return m_loaded; }

    // Loads the list on first use, then finds the entry sharing the longest
    // prefix with the called number (the last of equals wins). A number no
    // entry matches gets the RateMatch defaults. False only when the first
    // load failed.
    bool LookupRate(QStringView called, RateMatch& match);

    const QList<RateEntry>& entries() const { return m_entries; }

private:
    void clear();

    QList<RateEntry> m_entries;
    PrefixIndex m_index;
    bool m_loaded = false;
};

} // namespace qalor
