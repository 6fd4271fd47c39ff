#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of 告警规则表 (the rules every priced call is checked against).
class CAlertRuleSet : public CRecordSet
{
public:
    enum Column {
        Id,
        Name,
        Kind,
        Amount,
        Seconds,
        Prefix,
        From,
        To,
        Count,
        Minutes,
        Extension,
        Department,
        Enabled
    };
    explicit CAlertRuleSet(CDatabase* db = nullptr) : CRecordSet(Tables::alertRule(), db) {}
};

} // namespace qalor
