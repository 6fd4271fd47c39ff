#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of 分机级别更改记录表 (class-change log).
class CStationChangeInfoSet : public CRecordSet
{
public:
    enum Column { Extension, ClassInfo, Date };
    explicit CStationChangeInfoSet(CDatabase* db = nullptr) : CRecordSet(Tables::stationChangeInfo(), db) {}
};

} // namespace qalor
