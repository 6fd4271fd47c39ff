#pragma once

#include <QString>
#include <functional>

namespace qalor {

class CDatabase;

// One month-end or call-table job at a time on a data source, between all
// programs and machines that use it: the statistics run, duplicate removal,
// backup, delete and restore share the work tables HF, tj, BMTJ and
// 临时统计表 and the call table's copies, and two of them at once would mix
// their rows (two runs list every extension twice). Each job takes the lock
// as the first statement of its transaction; the data source holds it until
// that transaction ends, also when the program is killed or its connection
// drops.
//
//   CTransaction transaction(db);
//   WorkLock::take(db, [] { say(WorkLock::waitingText()); }); // waits
//   WorkLock::take(db);                                        // refuses
//
// PostgreSQL: a transaction-level advisory lock. SQLite: the file's write
// lock, taken by a write that changes nothing (SQLite lets one writer at a
// time anyway; what matters is that the job has it from its first statement).
class WorkLock
{
public:
    // Without waiting: a lock held elsewhere raises DbError with
    // busyText(). With waiting: it is called once when the lock is held
    // elsewhere, and take() returns once the lock is this transaction's.
    // Other failures raise DbError with the driver's text.
    static void take(CDatabase& db, const std::function<void()>& waiting = {});

    static QString busyText();
    static QString waitingText();
};

} // namespace qalor
