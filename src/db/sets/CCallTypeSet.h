#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of 呼叫类型表 (billability by call type).
class CCallTypeSet : public CRecordSet
{
public:
    enum Column { CallType, Billed, Description };
    explicit CCallTypeSet(CDatabase* db = nullptr) : CRecordSet(Tables::callType(), db) {}
};

} // namespace qalor
