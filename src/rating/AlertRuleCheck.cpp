#include "rating/AlertRuleCheck.h"

#include "db/sets/CAlertRuleSet.h"
#include "rating/AlertRule.h"

#include <cmath>

namespace qalor {

namespace {

using C = CAlertRuleSet;

AlertRuleCheck::Fault at(int column, const QString& takes)
{
    return {column, QStringLiteral("列“%1”只能填入%2.").arg(Tables::alertRule().column(column).name, takes)};
}

// A number from a cell as the grid, the import or the table hands it over;
// an empty cell is 0, as it is stored.
double cellNumber(const QVariant& value, bool* ok)
{
    const QString text = value.toString().trimmed();
    if (text.isEmpty()) {
        *ok = true;
        return 0;
    }
    return text.toDouble(ok);
}

bool whole(const QVariant& value, qint64& number)
{
    bool ok = false;
    const double d = cellNumber(value, &ok);
    if (!ok || !std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 4.0e9)
        return false;
    number = qint64(d);
    return true;
}

bool inRange(const QVariant& value, qint64 low, qint64 high)
{
    qint64 number = 0;
    return whole(value, number) && number >= low && number <= high;
}

bool prefixText(const QString& text)
{
    for (const QChar c : text)
        if (!c.isDigit() && c != QLatin1Char('*') && c != QLatin1Char('#'))
            return false;
    return true;
}

} // namespace

QString AlertRuleCheck::kindName(int kind)
{
    switch (AlertRule::Kind(kind)) {
    case AlertRule::Kind::Cost:
        return QStringLiteral("单次话费");
    case AlertRule::Kind::Duration:
        return QStringLiteral("通话时长");
    case AlertRule::Kind::PrefixWindow:
        return QStringLiteral("时段号头");
    case AlertRule::Kind::MonthTotal:
        return QStringLiteral("月累计话费");
    case AlertRule::Kind::UnknownCaller:
        return QStringLiteral("未登记分机");
    case AlertRule::Kind::Repeat:
        return QStringLiteral("重复呼叫");
    }
    return QString::number(kind);
}

QStringList AlertRuleCheck::kindNames()
{
    QStringList names;
    for (int kind = int(AlertRule::Kind::Cost); kind <= int(AlertRule::Kind::Repeat); ++kind)
        names << QStringLiteral("%1 %2").arg(kind).arg(kindName(kind));
    return names;
}

QList<int> AlertRuleCheck::kindColumns(int kind)
{
    switch (AlertRule::Kind(kind)) {
    case AlertRule::Kind::Cost:
    case AlertRule::Kind::MonthTotal:
        return {C::Amount};
    case AlertRule::Kind::Duration:
        return {C::Seconds};
    case AlertRule::Kind::PrefixWindow:
        return {C::Prefix, C::From, C::To};
    case AlertRule::Kind::UnknownCaller:
        return {};
    case AlertRule::Kind::Repeat:
        return {C::Count, C::Minutes};
    }
    return {};
}

AlertRuleCheck::Fault AlertRuleCheck::fault(const QList<QVariant>& row)
{
    const auto cell = [&](int column) { return row.value(column); };
    qint64 kind = 0;
    if (!whole(cell(C::Kind), kind) || !AlertRule::knownKind(int(kind)))
        return at(C::Kind, kindNames().join(QLatin1Char(',')));
    switch (AlertRule::Kind(kind)) {
    case AlertRule::Kind::Cost:
    case AlertRule::Kind::MonthTotal: {
        bool ok = false;
        const double amount = cellNumber(cell(C::Amount), &ok);
        // Compared in cents as the bills show them: 0.005 is a cent.
        const double cents = amount * 100.0;
        if (!ok || !std::isfinite(amount) || cents < 0.5 || cents >= MaxAmount.cents() + 0.5)
            return at(C::Amount, QStringLiteral("0.01到%1之间的金额").arg(MaxAmount.text()));
        break;
    }
    case AlertRule::Kind::Duration:
        if (!inRange(cell(C::Seconds), 1, MaxSeconds))
            return at(C::Seconds, QStringLiteral("1到%1之间的秒数").arg(MaxSeconds));
        break;
    case AlertRule::Kind::PrefixWindow: {
        if (!prefixText(cell(C::Prefix).toString().trimmed()))
            return at(C::Prefix, QStringLiteral("号码的开头(数字、*或#)"));
        const int from = AlertRule::secondOfDay(cell(C::From).toString());
        if (from < 0)
            return at(C::From, QStringLiteral("时刻(如220000或22:00)"));
        const int to = AlertRule::secondOfDay(cell(C::To).toString());
        if (to < 0)
            return at(C::To, QStringLiteral("时刻(如060000或06:00)"));
        if (from == to)
            return at(C::To, QStringLiteral("与起始时间不同的时刻"));
        break;
    }
    case AlertRule::Kind::UnknownCaller:
        break;
    case AlertRule::Kind::Repeat:
        if (!inRange(cell(C::Count), 1, std::numeric_limits<int>::max()))
            return at(C::Count, QStringLiteral("1或更大的次数"));
        if (!inRange(cell(C::Minutes), 1, MaxMinutes))
            return at(C::Minutes, QStringLiteral("1到%1之间的分钟数").arg(MaxMinutes));
        break;
    }
    if (!inRange(cell(C::Department), 0, 32767))
        return at(C::Department, QStringLiteral("0(所有部门)或部门编号"));
    return {};
}

} // namespace qalor
