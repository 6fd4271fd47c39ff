#pragma once

#include "db/KeptStatement.h"
#include "format/Money.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <functional>

namespace qalor {

class CDatabase;

// The charges of each extension and each department since the first of a
// month, in whole cents as the bills total them, kept in 告警累计表 so that
// every program storing calls adds to the same totals. A total is read from
// 话费表 the first time a call of its month is added to it; after that each
// call adds its own cents in the transaction that stores it (and is rolled
// back with it). On PostgreSQL the addition holds the total's row until the
// transaction ends: a second program adding at the same moment waits and
// adds to the first one's sum.
class MonthTotals
{
public:
    static void ensureTable();

    // A department's total is the sum of its extensions' totals, by the
    // extensions' departments in 用户信息表.
    void setDepartments(QHash<QString, int> departments) { m_departments = std::move(departments); }
    int departmentOf(const QString& extension) const { return m_departments.value(extension, -1); }
    bool registered(const QString& extension) const { return m_departments.contains(extension); }

    struct Step
    {
        Money before; // the total without this call
        Money after;  // the total with it
    };
    struct Added
    {
        Step extension;  // zero unless extensions are counted
        Step department; // zero unless departments are counted, and for an extension without one
    };
    // Adds a call that has just been stored in 话费表 (a total read from it
    // finds the call there already) to the extension's total, to its
    // department's or to both. Raises DbError.
    Added add(const QString& extension, QDate date, Money billed, bool extensions, bool departments);

    // Forgets the extension's and its department's totals of the month, to
    // be read from 话费表 again (an addition failed half-way).
    void drop(const QString& extension, QDate date);

    // Run before 话费表 is read: rows still waiting to be written are written.
    void setBeforeReading(std::function<void()> hook) { m_beforeReading = std::move(hook); }

private:
    Step start(CDatabase& db, int month, const QString& object, Money billed,
               const std::function<qint64()>& stored);
    qint64 storedByExtension(CDatabase& db, const QString& extension, QDate first);
    qint64 storedByDepartment(CDatabase& db, int department, QDate first);

    QHash<QString, int> m_departments;
    std::function<void()> m_beforeReading;
    // PostgreSQL hands the new totals back with the change (each statement
    // is a round trip there); the SQLite driver runs a statement with
    // RETURNING twice, so they are read after it.
    KeptStatement m_update{
        QStringLiteral("UPDATE 告警累计表 SET 金额=金额+? WHERE 月份=? AND 对象 IN (?, ?)")};
    KeptStatement m_updateReturning{QStringLiteral(
        "UPDATE 告警累计表 SET 金额=金额+? WHERE 月份=? AND 对象 IN (?, ?) RETURNING 对象, 金额")};
    KeptStatement m_read{QStringLiteral("SELECT 对象, 金额 FROM 告警累计表 WHERE 月份=? AND 对象 IN (?, ?)")};
    KeptStatement m_insert{
        QStringLiteral("INSERT INTO 告警累计表 (月份, 对象, 金额) VALUES (?, ?, ?) ON CONFLICT "
                       "(月份, 对象) DO UPDATE SET 金额=告警累计表.金额+?")};
};

} // namespace qalor
