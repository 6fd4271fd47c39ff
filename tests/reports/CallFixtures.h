#pragma once

#include "reports/CallRow.h"

#include <QList>

namespace qalor::test {

// Calls with every amount of the sum non-zero, numbered from 1, a few
// seconds apart on 2024-01-05; every seventh goes to a destination wider
// than its column.
inline QList<CallRow> numberedCalls(int count)
{
    QList<CallRow> calls;
    for (int i = 1; i <= count; ++i) {
        CallRow row;
        row.caller = QStringLiteral("80%1").arg(i % 100, 2, 10, QLatin1Char('0'));
        row.callee = i % 2 ? QStringLiteral("0201234%1").arg(i, 4, 10, QLatin1Char('0')) : QStringLiteral("114");
        row.date = QStringLiteral("240105");
        row.time = QStringLiteral("08%1").arg(i, 4, 10, QLatin1Char('0'));
        row.duration = float(30 * i);
        row.rate = 0.5f;
        row.units = float(i % 5 + 1);
        row.charge = 0.25f * float(i);
        row.service = 0.1f;
        row.surcharge = i % 3 ? 0.0f : 0.5f;
        row.destination = i % 7 ? QStringLiteral("广州") : QStringLiteral("广东省广州市番禺区");
        row.countType = i % 4;
        calls << row;
    }
    return calls;
}

} // namespace qalor::test
