#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of 用户信息表 (extensions).
class CUserSet : public CRecordSet
{
public:
    enum Column { Phone, UserName, Circuit, PhoneClass, Place, InstallDate, PublicPaid, Dormitory, MonthlyRent, Department, RemovalDate };
    explicit CUserSet(CDatabase* db = nullptr) : CRecordSet(Tables::user(), db) {}
};

} // namespace qalor
