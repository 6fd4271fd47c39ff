#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of CDR字段定义表 (CDR line layout).
class CCdrSetingSet : public CRecordSet
{
public:
    enum Column { Sequence, Name, Width, Output };
    explicit CCdrSetingSet(CDatabase* db = nullptr) : CRecordSet(Tables::cdrLayout(), db) {}
};

} // namespace qalor
