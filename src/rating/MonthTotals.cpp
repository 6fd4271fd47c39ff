#include "rating/MonthTotals.h"

#include "db/CDatabase.h"
#include "db/SqlDialectText.h"
#include "rating/CallCostWriter.h"

#include <QSqlQuery>
#include <QVariant>

namespace qalor {

namespace {
// A REPORT batch rarely spans more months than this; past it the oldest
// are read again when needed.
constexpr qsizetype KeptMonths = 4;
} // namespace

void MonthTotals::setDepartments(QHash<QString, int> departments)
{
    m_departments = std::move(departments);
    forget();
}

MonthTotals::Month MonthTotals::read(QDate first) const
{
    if (m_beforeReading)
        m_beforeReading();
    CDatabase& db = CDatabase::shared();
    const SqlDialect dialect = db.dialect();
    QSqlQuery query =
        db.prepare(QStringLiteral("SELECT 主叫号, SUM(") + centsOf(dialect, QStringLiteral("通话费")) +
                   QStringLiteral(" + ") + centsOf(dialect, QStringLiteral("附加费")) +
                   QStringLiteral(") FROM 话费表 WHERE 日期>=? AND 日期<=? GROUP BY 主叫号"));
    query.addBindValue(CallCostWriter::dateText(first));
    query.addBindValue(CallCostWriter::dateText(first.addDays(first.daysInMonth() - 1)));
    CDatabase::exec(query);
    Month month;
    while (query.next()) {
        const QString extension = query.value(0).toString();
        // psqlODBC hands a bigint sum over as text.
        const qint64 cents = qint64(query.value(1).toDouble() + 0.5);
        month.extensions[extension] += cents;
        const auto department = m_departments.constFind(extension);
        if (department != m_departments.constEnd())
            month.departments[*department] += cents;
    }
    return month;
}

MonthTotals::Added MonthTotals::add(const QString& extension, QDate date, Money billed)
{
    const int key = date.year() * 100 + date.month();
    const int department = departmentOf(extension);
    auto found = m_months.find(key);
    const bool known = found != m_months.end();
    if (!known) {
        if (m_months.size() >= KeptMonths)
            m_months.clear();
        found = m_months.insert(key, read(QDate(date.year(), date.month(), 1)));
    }
    Month& month = *found;
    qint64& own = month.extensions[extension];
    Added added;
    if (known)
        own += billed.cents();
    added.extension = {Money::fromCents(own - billed.cents()), Money::fromCents(own)};
    if (department >= 0) {
        qint64& theirs = month.departments[department];
        if (known)
            theirs += billed.cents();
        added.department = {Money::fromCents(theirs - billed.cents()), Money::fromCents(theirs)};
    }
    return added;
}

} // namespace qalor
