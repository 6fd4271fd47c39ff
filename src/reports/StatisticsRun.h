#pragma once

// StatisticsRun: totals the priced calls of a period per extension (tj) and
// per department (BMTJ), through the work tables HF and 临时统计表, and adds a
// row to 统计历史记录表.
//
//   StatisticsRun run(CDatabase::shared());
//   if (run.run(start, end)) ...   // "统计完毕!" has been shown
//
// The statements run in one transaction: a failure shows the driver's text
// and leaves every table as it was. One run at a time per data source: while
// another program runs statistics or maintains the call table, the run is
// refused with WorkLock::busyText(), or, after waitForOthers(true), says
// WorkLock::waitingText() and waits for it. 统计类型表 is checked before anything
// changes. Charges of a statistics type without a row in 统计类型表 are kept
// out of tj and named in a message at the end of the run.

#include "db/CDatabase.h"
#include "format/Money.h"
#include "reports/CountTypeMap.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <array>

namespace qalor {

class StatisticsRun
{
public:
    struct UnregisteredType
    {
        int type = 0;
        int calls = 0;
        Money amount;
    };

    explicit StatisticsRun(CDatabase& db) : m_db(db) {}

    void waitForOthers(bool wait) { m_waitForOthers = wait; }

    // Returns true when the run completed and was committed. now is the run
    // time written to the history.
    bool run(const QDate& start, const QDate& end, const QDateTime& now = QDateTime::currentDateTime());

    // The types found without a row by the last completed run.
    const QList<UnregisteredType>& unregistered() const { return m_unregistered; }

    static QString unregisteredText(const QList<UnregisteredType>& types);

private:
    using ChargeRow = std::array<Money, CountTypeMap::ChargeColumnCount>;

    void fillWorkTables(const QDate& start, const QDate& end);
    void distributeCharges(const CountTypeMap& map);
    void writeCharges(const QMap<QString, ChargeRow>& charges);
    void countUnregisteredCalls();
    void fillDepartments();
    void writeHistory(const QDate& start, const QDate& end, const QDateTime& now);

    CDatabase& m_db;
    bool m_waitForOthers = false;
    QList<UnregisteredType> m_unregistered;
};

} // namespace qalor
