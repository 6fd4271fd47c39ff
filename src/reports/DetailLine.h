#pragma once

#include "format/Money.h"
#include "reports/CallRow.h"

#include <QString>

namespace qalor {

// The texts of the detail-bill queries: one call as a line of padded
// columns, the column headings and the subtotal line. Widths count GBK bytes.
namespace DetailLine {

// Width of the called number in the query lists; the printed bills use 17.
constexpr int ListCalleeWidth = 18;
constexpr int BillCalleeWidth = 17;

// 主叫号 被叫号 日期 时间 时长 费率 计费单位数 通话费 服务费 附加费 通达地,
// joined by single blanks.
QString call(const CallRow& row, int calleeWidth);

QString dateListHeader();   // heading of the list of 按日期查询
QString calleeListHeader(); // heading of the list of 按被叫号查询
QString billHeader();       // heading of a printed detail bill
QString subtotal(Money total);

} // namespace DetailLine

} // namespace qalor
