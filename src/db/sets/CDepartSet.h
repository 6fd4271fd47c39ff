#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of 部门表 (departments).
class CDepartSet : public CRecordSet
{
public:
    enum Column { Name, Number, FeeRatio };
    explicit CDepartSet(CDatabase* db = nullptr) : CRecordSet(Tables::department(), db) {}
};

} // namespace qalor
