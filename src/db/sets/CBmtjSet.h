#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of BMTJ (per-department statistics).
class CBmtjSet : public CRecordSet
{
public:
    enum Column { Department, DepartmentName, MonthlyRent, Local, LocalNetwork, LongDistance, Information };
    explicit CBmtjSet(CDatabase* db = nullptr) : CRecordSet(Tables::bmtj(), db) {}
};

} // namespace qalor
