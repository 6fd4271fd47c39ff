#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of cdr表 (raw CDR lines).
class CCdrSet : public CRecordSet
{
public:
    enum Column { Line };
    explicit CCdrSet(CDatabase* db = nullptr) : CRecordSet(Tables::cdrRaw(), db) {}
};

} // namespace qalor
