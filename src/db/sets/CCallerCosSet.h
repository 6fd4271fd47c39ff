#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of 服务级别计费表 (billability by class of service).
class CCallerCosSet : public CRecordSet
{
public:
    enum Column { Cos, Billed };
    explicit CCallerCosSet(CDatabase* db = nullptr) : CRecordSet(Tables::callerCos(), db) {}
};

} // namespace qalor
