#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of rate31 (two-tier tariff).
class CRate31Set : public CRecordSet
{
public:
    enum Column { Prefix, Area, TariffClass, CountType, Rate2, Surcharge2, Surcharge1, Rate1, Length1, Length2 };
    explicit CRate31Set(CDatabase* db = nullptr) : CRecordSet(Tables::rate31(), db) {}
};

} // namespace qalor
