#pragma once

#include "db/TableDef.h"

namespace qalor {

// Every table of the "TDS" data source: exact names, column order and types.
// The mapping classes, the schema tool and the grid editors all read these
// definitions; nothing depends on the column names a driver reports.
namespace Tables {
// call and rating side
const TableDef& callCost();       // 话费表
const TableDef& callCostBackup(); // 话费表备份
const TableDef& callCostWork();   // HF
const TableDef& rate();           // 费率表
const TableDef& rate31();         // rate31
const TableDef& timeDiscount();   // 分时折扣率表
const TableDef& dayDiscount();    // 节假日折扣率表
const TableDef& weekDiscount();   // 星期折扣率表
const TableDef& callType();       // 呼叫类型表
const TableDef& callerCos();      // 服务级别计费表
const TableDef& trunkGroup();     // 中继组
const TableDef& countType();      // 统计类型表
const TableDef& cdrLayout();      // CDR字段定义表
const TableDef& cdrRaw();         // cdr表
const TableDef& cdrSave();        // CDRSave
const TableDef& comPort();        // 串口表
const TableDef& dialCode();       // 分机拨号变换表
const TableDef& discountType();   // 折扣类型表
// users, statistics, hotel and administration
const TableDef& user();              // 用户信息表
const TableDef& department();        // 部门表
const TableDef& tj();                // tj
const TableDef& bmtj();              // BMTJ
const TableDef& tempCount();         // 临时统计表
const TableDef& countHistory();      // 统计历史记录表
const TableDef& hotel();             // 宾馆管理表
const TableDef& hotelSettings();     // 宾馆分机升降级设置表
const TableDef& hotelCall();         // 宾馆通话表
const TableDef& stationChangeInfo(); // 分机级别更改记录表
const TableDef& password();          // 管理员口令表
const TableDef& loginfo();           // LOGINFO
const TableDef& phoneQuery();        // 电话查询
// watching the priced calls
const TableDef& alertRule(); // 告警规则表
const TableDef& alertLog();  // 告警记录表
} // namespace Tables

class TableRegistry
{
public:
    static const QList<const TableDef*>& all();
    // Case-insensitive, as the data source treats table names.
    static const TableDef* find(const QString& name);
};

} // namespace qalor
