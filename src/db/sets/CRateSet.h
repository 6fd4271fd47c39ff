#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of 费率表 (rate table).
class CRateSet : public CRecordSet
{
public:
    enum Column { Prefix, Rate, Area, Unit, TariffClass, SurchargeRate, CountType };
    explicit CRateSet(CDatabase* db = nullptr) : CRecordSet(Tables::rate(), db) {}
};

} // namespace qalor
