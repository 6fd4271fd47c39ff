#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of LOGINFO (audit log).
class CLoginfoSet : public CRecordSet
{
public:
    enum Column { Id, Name, Operation, Result, Date, Time };
    explicit CLoginfoSet(CDatabase* db = nullptr) : CRecordSet(Tables::loginfo(), db) {}
};

} // namespace qalor
