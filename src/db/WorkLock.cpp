#include "db/WorkLock.h"

#include "db/CDatabase.h"

#include <QDeadlineTimer>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

namespace qalor {

namespace {

// The advisory lock's number on PostgreSQL ("QALOR" in ASCII).
constexpr qint64 LockKey = 0x51414C4F52;

bool tryPostgres(CDatabase& db)
{
    QSqlQuery query = db.prepare(QStringLiteral("SELECT pg_try_advisory_xact_lock(%1)").arg(LockKey));
    CDatabase::exec(query);
    return query.next() && query.value(0).toBool();
}

// SQLite answers a write while another connection writes with "database is
// locked" once its busy timeout has passed.
bool busy(const DbError& error)
{
    return error.message().contains(QLatin1String("locked"), Qt::CaseInsensitive) ||
           error.message().contains(QLatin1String("busy"), Qt::CaseInsensitive);
}

} // namespace

QString WorkLock::busyText()
{
    return QStringLiteral("另一个程序正在进行月统计或话费表维护,请稍后再试.");
}

QString WorkLock::waitingText()
{
    return QStringLiteral("另一个程序正在进行月统计或话费表维护,等待其结束...");
}

void WorkLock::take(CDatabase& db, const std::function<void()>& waiting)
{
    if (db.dialect() == SqlDialect::PostgreSQL) {
        if (tryPostgres(db))
            return;
        if (!waiting)
            throw DbError(busyText());
        waiting();
        db.execute(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(LockKey));
        return;
    }
    bool told = false;
    for (;;) {
        // A data source without a busy timeout answers at once: no busy loop.
        const QDeadlineTimer pause(200);
        try {
            // Writes nothing, yet holds the write lock to the transaction's end.
            db.execute(QStringLiteral("DELETE FROM HF WHERE 1=0"));
            return;
        } catch (const DbError& error) {
            if (!busy(error))
                throw;
            if (!waiting)
                throw DbError(busyText());
            if (!told) {
                waiting();
                told = true;
            }
            QThread::msleep(quint64(pause.remainingTime()));
        }
    }
}

} // namespace qalor
