#pragma once

#include "format/Money.h"

#include <QString>

namespace qalor {

// One stored call of 话费表 as the detail bills read it.
struct CallRow
{
    QString caller;      // 主叫号
    QString callee;      // 被叫号
    QString date;        // 日期, yymmdd as stored
    QString time;        // 时间, HHMMSS as stored
    float duration = 0;  // 时长
    float rate = 0;      // 费率
    float units = 0;     // 计费单位数
    float charge = 0;    // 通话费
    float service = 0;   // 服务费
    float surcharge = 0; // 附加费
    QString destination; // 通达地
    int countType = 0;   // 统计类型

    // What the call costs the user as its line shows it: the sum the bills
    // total, cent by cent.
    Money amount() const
    {
        return Money::fromStored(charge) + Money::fromStored(service) + Money::fromStored(surcharge);
    }

    friend bool operator==(const CallRow&, const CallRow&) = default;
};

} // namespace qalor
