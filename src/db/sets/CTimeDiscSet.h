#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of 分时折扣率表 (time-of-day discounts).
class CTimeDiscSet : public CRecordSet
{
public:
    enum Column { TariffClass, StartTime, EndTime, Multiplier };
    explicit CTimeDiscSet(CDatabase* db = nullptr) : CRecordSet(Tables::timeDiscount(), db) {}
};

} // namespace qalor
