#pragma once

// Statement pieces that read one period of 话费表 at once: the statistics
// run and the call-table maintenance share them. A predicate is a condition
// without "WHERE" over the bare column names of 话费表 (for example
// "日期<=? and 日期>=?"); where a piece repeats it, the caller binds its
// values once for each time it stands in the statement, in order.

#include "db/CDatabase.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

namespace qalor {

// "SELECT r FROM ...": the row identifiers of the second and later copies of
// calls stored more than once among the rows the predicate selects. Copies
// are equal in every column, as DISTINCT takes them (empty values equal each
// other), so they share their date and time: only the rows of a date and
// time that occurs more than once (read from the index on 日期, 时间 alone)
// are compared column by column, and the rows without a time among
// themselves. The predicate stands in the text twice; it selects on the
// row's own columns.
QString laterCallCopies(SqlDialect dialect, const QString& predicate);

// What follows "FROM" to read the rows the predicate selects, itself
// followed by nothing or by " AND ..." conditions; the predicate stands in it
// once. Calls are appended as they arrive, so one month's rows mostly lie
// together: on SQLite, reading them in storage order between the period's
// first and last row is many times faster than looking each one up from
// the date index, as long as the rows of other periods between them are
// few. db runs one counting query for that with the values given.
QString callRowsFrom(CDatabase& db, const QString& predicate, const QVariantList& values);

// Copies the distinct rows the predicate selects (one of each set of
// identical rows, as SELECT DISTINCT gives them) into a table of the same
// columns, inside the caller's transaction.
void copyDistinctCalls(CDatabase& db, const QString& table, const QString& predicate,
                       const QVariantList& values);

// The month totals the alert rules keep beside 话费表 (告警累计表) are sums
// of its rows: the statement that makes the table, and forgetting them all
// inside the caller's transaction after 话费表 changed in bulk (a deleted
// period, a restore, duplicate removal), so that the next call of a month
// sums it afresh from 话费表.
QString monthTotalsTable();
void forgetMonthTotals(CDatabase& db);

// Empties a work table (HF) inside the caller's transaction, the quickest
// way the login is allowed.
void emptyWorkTable(CDatabase& db, const QString& table);

// Settings for the statements over a period of calls, for as long as the
// guard lives: PostgreSQL sorts and hashes in memory; SQLite keeps its sorts
// in memory and the pages it reads in a larger page cache, then goes back to
// the connection's own cache size. Create it before the transaction begins.
// Refused settings only make the work slower.
class BulkWork
{
public:
    explicit BulkWork(CDatabase& db);
    ~BulkWork();
    BulkWork(const BulkWork&) = delete;
    BulkWork& operator=(const BulkWork&) = delete;

private:
    void trySetting(const QString& statement);

    CDatabase& m_db;
    QStringList m_restore; // the statements that give the settings back
};

} // namespace qalor
