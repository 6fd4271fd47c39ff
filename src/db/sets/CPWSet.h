#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of 管理员口令表 (administrators).
class CPWSet : public CRecordSet
{
public:
    enum Column { Name, Password };
    explicit CPWSet(CDatabase* db = nullptr) : CRecordSet(Tables::password(), db) {}
};

} // namespace qalor
