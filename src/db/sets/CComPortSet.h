#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of 串口表 (CDR serial port number).
class CComPortSet : public CRecordSet
{
public:
    enum Column { Port };
    explicit CComPortSet(CDatabase* db = nullptr) : CRecordSet(Tables::comPort(), db) {}
};

} // namespace qalor
