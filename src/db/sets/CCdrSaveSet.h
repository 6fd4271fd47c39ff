#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of CDRSave (raw-saving switch).
class CCdrSaveSet : public CRecordSet
{
public:
    enum Column { SaveCdr };
    explicit CCdrSaveSet(CDatabase* db = nullptr) : CRecordSet(Tables::cdrSave(), db) {}
};

} // namespace qalor
