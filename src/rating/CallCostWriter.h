#pragma once

#include "db/sets/CCallCostSet.h"

namespace qalor {

struct CallPrice;
struct CallRecordFields;
struct RateMatch;

// Appends priced calls to 话费表 through one record set kept open for the
// engine's life, so that its prepared INSERT serves every call.
class CallCostWriter
{
public:
    // Opens the set with a filter no row satisfies. Raises DbError.
    void open();
    bool isOpen() const { return m_set.isOpen(); }
    void close() { m_set.close(); }
    // Appends one row; opens the set first when it is not open. Raises
    // DbError when the data source refuses the row.
    void append(const CallRecordFields& call, const CallPrice& price, const RateMatch& match);

    // "%y%m%d" and "%H%M%S" texts as 话费表 stores them.
    static QString dateText(QDate date);
    static QString timeText(int secondOfDay);

private:
    CCallCostSet m_set;
};

} // namespace qalor
