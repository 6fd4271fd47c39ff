#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of 节假日折扣率表 (holiday discounts).
class CDayDiscSet : public CRecordSet
{
public:
    enum Column { TariffClass, Date, Multiplier };
    explicit CDayDiscSet(CDatabase* db = nullptr) : CRecordSet(Tables::dayDiscount(), db) {}
};

} // namespace qalor
