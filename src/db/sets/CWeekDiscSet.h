#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of 星期折扣率表 (weekday discounts).
class CWeekDiscSet : public CRecordSet
{
public:
    enum Column { Weekday, TariffClass, Multiplier };
    explicit CWeekDiscSet(CDatabase* db = nullptr) : CRecordSet(Tables::weekDiscount(), db) {}
};

} // namespace qalor
