#pragma once

#include "format/Money.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <functional>

namespace qalor {

// The charges of each extension and each department since the first of a
// month, in whole cents as the bills total them. A month is read from 话费表
// once, the first time one of its calls is added; after that each call only
// adds its own cents, so a check needs no statement.
class MonthTotals
{
public:
    // A department's total is the sum of its extensions' totals, by the
    // extensions' departments in 用户信息表.
    void setDepartments(QHash<QString, int> departments);
    int departmentOf(const QString& extension) const { return m_departments.value(extension, -1); }
    bool registered(const QString& extension) const { return m_departments.contains(extension); }

    struct Step
    {
        Money before; // the total without this call
        Money after;  // the total with it
    };
    struct Added
    {
        Step extension;
        Step department; // zero for an extension without a department
    };
    // Adds a call that has just been stored in 话费表 (the month's first read
    // finds it there already). Raises DbError when the month cannot be read.
    Added add(const QString& extension, QDate date, Money billed);

    // Forgets every month (rows were rolled back, the departments changed):
    // each is read again when next needed.
    void forget() { m_months.clear(); }

    // Run before 话费表 is read: rows still waiting to be written are written.
    void setBeforeReading(std::function<void()> hook) { m_beforeReading = std::move(hook); }

private:
    struct Month
    {
        QHash<QString, qint64> extensions;
        QHash<int, qint64> departments;
    };
    Month read(QDate first) const;

    QHash<QString, int> m_departments;
    QHash<int, Month> m_months; // by year * 100 + month
    std::function<void()> m_beforeReading;
};

} // namespace qalor
