#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of 分机拨号变换表 (extension to dial-string conversion).
class CDialCodeTable : public CRecordSet
{
public:
    enum Column { ExtensionHead, DialHead };
    explicit CDialCodeTable(CDatabase* db = nullptr) : CRecordSet(Tables::dialCode(), db) {}
};

} // namespace qalor
