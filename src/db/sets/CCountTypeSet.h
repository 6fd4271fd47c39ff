#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of 统计类型表 (statistics categories).
class CCountTypeSet : public CRecordSet
{
public:
    enum Column { CountType, Description };
    explicit CCountTypeSet(CDatabase* db = nullptr) : CRecordSet(Tables::countType(), db) {}
};

} // namespace qalor
