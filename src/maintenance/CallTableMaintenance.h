#pragma once

// CallTableMaintenance: backup, delete, restore and duplicate removal over a
// date range of 话费表.
//
//   CallTableMaintenance work(db);
//   work.backup({start, end, std::nullopt});       // every caller
//   work.remove({start, end, QStringLiteral("8001")});
//   work.removeDuplicates(start, end, [](int done, int total) { ... });
//
// Dates compare as yymmdd texts, both ends included: a range from 1999 into
// 2000 selects nothing, and so does a start after the end. Each operation runs
// in one transaction, so a failure leaves the tables as they were. It takes
// the data source's WorkLock first (refused with WorkLock::busyText() while
// another program runs statistics or maintains the call table); then, on
// PostgreSQL, it locks 话费表 against other writers, so the calls other
// workstations store meanwhile wait for it. Failures raise DbError.

#include "db/CDatabase.h"

#include <QDate>
#include <QSqlQuery>
#include <QString>
#include <functional>
#include <optional>

namespace qalor {

struct CallRange
{
    QDate start;
    QDate end;
    // Set when the range is limited to one calling extension; an empty text
    // selects the rows whose 主叫号 is empty.
    std::optional<QString> caller;
};

class CallTableMaintenance
{
public:
    // Called before the first step and after each one.
    using Progress = std::function<void(int done, int total)>;
    static constexpr int DuplicateRemovalSteps = 4;

    explicit CallTableMaintenance(CDatabase& db) : m_db(db) {}

    // Copies the range into 话费表备份 (backing up twice copies twice).
    void backup(const CallRange& range);
    // Deletes the range from 话费表.
    void remove(const CallRange& range);
    struct RestoreCount
    {
        int restored = 0;     // rows copied back
        int alreadyThere = 0; // distinct backup rows 话费表 still held
    };
    // Copies each distinct backup row of the range back into 话费表, except
    // those 话费表 already holds (equal in every column, as duplicate removal
    // compares them), so that restoring a range twice stores nothing twice.
    RestoreCount restore(const CallRange& range);
    // Leaves one row of each set of identical rows of the range, through the
    // work table HF (whose previous content is lost). Returns how many rows
    // it removed.
    int removeDuplicates(const QDate& start, const QDate& end, const Progress& progress = {});

    // The range condition with its placeholders: end date, start date, then
    // the caller when there is one; predicate() is the same without "where".
    static QString condition(bool withCaller);
    static QString predicate(bool withCaller);
    // The values of those placeholders.
    static QVariantList values(const CallRange& range);
    static QString dateText(const QDate& date) { return date.toString(QStringLiteral("yyMMdd")); }

private:
    void lockCallTable();
    QSqlQuery prepared(const QString& sql, const CallRange& range, int conditions = 1);
    void execute(const QString& head, const CallRange& range);
    QString rowsOf(const CallRange& range);
    int count(const QString& sql, const CallRange& range, int conditions);

    CDatabase& m_db;
};

} // namespace qalor
