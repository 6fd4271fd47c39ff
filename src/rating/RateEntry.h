#pragma once

#include <QString>
#include <optional>

namespace qalor {

// One row of 费率表.
struct RateEntry
{
    QString prefix;          // 区号
    float rate = 0;          // 费率: price per billing unit
    QString area;            // 地区
    qint16 unit = 0;         // 计费单位: seconds per billing unit
    qint16 tariffClass = 0;  // 折扣类型
    float surchargeRate = 0; // 附加费费率
    qint16 countType = 0;    // 统计类型
};

// What a call is priced by: the matched entry's values, or those of a number
// no entry matches (rate 0, no surcharge, 60-second unit, no area, category 0
// and no tariff class, so no discount and no two-tier row applies).
struct RateMatch
{
    static constexpr int DefaultUnit = 60;

    float rate = 0;
    std::optional<int> tariffClass;
    int unit = DefaultUnit;
    float surchargeRate = 0;
    QString area;
    int countType = 0;

    static RateMatch fromEntry(const RateEntry& entry);
};

} // namespace qalor
