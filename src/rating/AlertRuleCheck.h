#pragma once

#include "format/Money.h"

#include <QList>
#include <QString>
#include <QVariant>

namespace qalor {

// What a row of 告警规则表 must hold for the engine to use it as it reads:
// the editor and the import refuse a row that breaks it, the engine passes
// over a stored one and says so. Only the columns the row's kind reads are
// checked (the others are left as they are).
class AlertRuleCheck
{
public:
    // The largest 金额 a single-precision money column holds to the cent.
    static constexpr Money MaxAmount = Money::fromCents(13107199);
    static constexpr int MaxSeconds = 86400; // a call of a day
    static constexpr int MaxMinutes = 1440;  // a window of a day

    struct Fault
    {
        int column = -1; // index in 告警规则表
        QString text;    // names the column and what it takes
    };
    // The first fault of a row given in the columns of 告警规则表, or a
    // fault with column -1 when there is none.
    static Fault fault(const QList<QVariant>& row);

    // The kinds as people read them: "1 单次话费" ...
    static QString kindName(int kind);
    static QStringList kindNames();
    // The columns of 告警规则表 a kind reads besides 规则编号, 规则名称,
    // 规则类型, 分机号, 部门编号 and 是否启用 (empty for an unknown kind).
    static QList<int> kindColumns(int kind);
};

} // namespace qalor
