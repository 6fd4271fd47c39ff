#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of 中继组 (billability by trunk group).
class CSelectTrunkSet : public CRecordSet
{
public:
    enum Column { TrunkGroup, Billed };
    explicit CSelectTrunkSet(CDatabase* db = nullptr) : CRecordSet(Tables::trunkGroup(), db) {}
};

} // namespace qalor
