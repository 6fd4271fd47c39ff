#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of 宾馆分机升降级设置表 (class-change settings).
class CHotalSetSet : public CRecordSet
{
public:
    enum Column { ViaModem, AutoChange, UserName, Password, InternationalClass, DomesticClass, LocalClass, LowestClass, ModemPort, InternationalCode, DomesticCode, LocalCode, DefaultCode, Database };
    explicit CHotalSetSet(CDatabase* db = nullptr) : CRecordSet(Tables::hotelSettings(), db) {}
};

} // namespace qalor
