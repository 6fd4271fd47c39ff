#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of 告警记录表 (the calls a rule matched).
class CAlertLogSet : public CRecordSet
{
public:
    enum Column {
        Id,
        Caller,
        Called,
        Date,
        Time,
        Seconds,
        Billed,
        RuleId,
        RuleName,
        Detail,
        RaisedDate,
        RaisedTime,
        AckBy,
        AckDate,
        AckTime
    };
    explicit CAlertLogSet(CDatabase* db = nullptr) : CRecordSet(Tables::alertLog(), db) {}
};

} // namespace qalor
