#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of 宾馆管理表 (hotel registrations).
class CHotalSet : public CRecordSet
{
public:
    enum Column { Extension, Room, CheckInDate, CheckInTime, CheckOutDate, CheckOutTime, Accrued, CheckedOut, ServiceRatio, Deposit, ClassDescription, GuestName };
    explicit CHotalSet(CDatabase* db = nullptr) : CRecordSet(Tables::hotel(), db) {}
};

} // namespace qalor
