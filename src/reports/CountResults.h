#pragma once

#include "db/CDatabase.h"
#include "format/Money.h"

#include <QDate>
#include <QList>
#include <QString>
#include <optional>

namespace qalor {

// The five money columns of a result row, each in the cents it is printed
// with, so that every subtotal and total adds up to its printed lines.
struct ChargeTotals
{
    Money rent; // 月租费
    Money local; // 市话
    Money localNetwork; // 本地网
    Money longDistance; // 长途
    Money information; // 信息台等

    Money charges() const { return local + localNetwork + longDistance + information; }
    Money total() const { return charges() + rent; }
    void add(const ChargeTotals& other)
    {
        rent += other.rent;
        local += other.local;
        localNetwork += other.localNetwork;
        longDistance += other.longDistance;
        information += other.information;
    }
};

// One row of tj: an extension's totals of the last statistics run.
struct ExtensionTotals : ChargeTotals
{
    QString phone;
    QString userName;
    bool dormitory = false;
    int department = 0;
    QString departmentName;
};

// One row of BMTJ: a department's totals.
struct DepartmentTotals : ChargeTotals
{
    int department = 0;
    QString name;
};

struct DepartmentRange
{
    int first = 0;
    int last = 0;
};

// Extension numbers compared as text, both ends included: "0000" to "9999"
// holds "12345" but not "A100".
struct ExtensionRange
{
    QString first;
    QString last;
};

// The previous statistics run as 统计历史记录表 keeps it.
struct CountRun
{
    QString startDate; // yyyymmdd
    QString endDate;
    QString runTime; // yyyy-mm-dd hh:mm:ss
    int count = 0;   // the runs the history holds, this one included

    // The period totalled; invalid when the history holds no date there.
    QDate start() const { return QDate::fromString(startDate.trimmed(), QStringLiteral("yyyyMMdd")); }
    QDate end() const { return QDate::fromString(endDate.trimmed(), QStringLiteral("yyyyMMdd")); }
    bool operator==(const CountRun&) const = default;
};

// Reads the result tables of the statistics run for the reports, the notices,
// the chart and the command-line tool. Range values are bound, never pasted
// into a statement. Every failure raises DbError.
class CountResults
{
public:
    explicit CountResults(CDatabase& db) : m_db(db) {}

    // tj rows by department, then extension.
    QList<ExtensionTotals> extensions(const std::optional<DepartmentRange>& departments = std::nullopt,
                                      const std::optional<ExtensionRange>& extensions = std::nullopt);
    // BMTJ rows by department.
    QList<DepartmentTotals> departments(const std::optional<DepartmentRange>& range = std::nullopt);

    // Removes the tj rows of extensions with neither charges nor rental. An
    // extension with only 信息台等 charges is kept, so its notice still prints.
    int deleteUsersWithoutCharges();

    // The last row of 统计历史记录表 by 统计操作日期; nothing when the table is
    // empty or its last run time is empty.
    std::optional<CountRun> lastRun();

private:
    CDatabase& m_db;
};

} // namespace qalor
