#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of 话费表 (stored calls).
class CCallCostSet : public CRecordSet
{
public:
    enum Column { Caller, Called, Date, Time, Duration, Rate, Units, Charge, ServiceCharge, Surcharge, Area, CountType };
    explicit CCallCostSet(CDatabase* db = nullptr) : CRecordSet(Tables::callCost(), db) {}
};

} // namespace qalor
