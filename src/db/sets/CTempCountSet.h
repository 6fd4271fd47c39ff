#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of 临时统计表 (per-caller, per-category sums).
class CTempCountSet : public CRecordSet
{
public:
    enum Column { Caller, CountType, Amount };
    explicit CTempCountSet(CDatabase* db = nullptr) : CRecordSet(Tables::tempCount(), db) {}
};

} // namespace qalor
