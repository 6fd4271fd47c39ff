#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of 统计历史记录表 (statistics runs).
class CCountHistorySet : public CRecordSet
{
public:
    enum Column { StartDate, EndDate, RunDate };
    explicit CCountHistorySet(CDatabase* db = nullptr) : CRecordSet(Tables::countHistory(), db) {}
};

} // namespace qalor
