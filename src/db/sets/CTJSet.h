#pragma once

#include "db/CRecordSet.h"
#include "db/TableRegistry.h"

namespace qalor {

// Mapping of tj (per-extension statistics); bound in another order than the table's physical one.
class CTJSet : public CRecordSet
{
public:
    enum Column { Phone, UserName, MonthlyRent, Dormitory, Department, Local, LocalNetwork, LongDistance, Information, DepartmentName };
    explicit CTJSet(CDatabase* db = nullptr) : CRecordSet(Tables::tj(), {QStringLiteral("电话号码"), QStringLiteral("用户名"), QStringLiteral("月租费"), QStringLiteral("是否宿舍电话"), QStringLiteral("部门编号"), QStringLiteral("市话"), QStringLiteral("本地网"), QStringLiteral("长途"), QStringLiteral("信息台等"), QStringLiteral("部门名")}, db) {}
};

} // namespace qalor
