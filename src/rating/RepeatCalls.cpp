#include "rating/RepeatCalls.h"

#include "db/CDatabase.h"
#include "rating/CallCostWriter.h"

#include <QCryptographicHash>
#include <QSqlQuery>
#include <QVariant>
#include <QtEndian>

namespace qalor {

namespace {
int secondOfDay(const QString& hhmmss)
{
    return hhmmss.left(2).toInt() * 3600 + hhmmss.mid(2, 2).toInt() * 60 + hhmmss.mid(4, 2).toInt();
}

QDate callDate(const QString& yymmdd)
{
    return QDate(2000 + yymmdd.left(2).toInt(), yymmdd.mid(2, 2).toInt(), yymmdd.mid(4, 2).toInt());
}

// The same number for a pair in every program (QHash is seeded per process).
qint64 pairKey(const QString& caller, const QString& called)
{
    const QByteArray digest =
        QCryptographicHash::hash((caller + QChar(0x1f) + called).toUtf8(), QCryptographicHash::Sha1);
    return qFromBigEndian<qint64>(digest.constData());
}
} // namespace

QList<qint64> RepeatCalls::startsBefore(const QString& caller, const QString& called, CallMoment start)
{
    CDatabase& db = CDatabase::shared();
    if (db.dialect() == SqlDialect::PostgreSQL && db.inTransaction()) {
        // Held to the end of the transaction, which has stored this call.
        QSqlQuery& lock = m_pairLock.on(db);
        lock.addBindValue(pairKey(caller, called));
        CDatabase::exec(lock);
        lock.finish();
    }
    if (m_beforeReading)
        m_beforeReading();
    const qint64 last = start.serial();
    const qint64 first = last - m_window;
    QSqlQuery& query = m_starts.on(db);
    query.addBindValue(caller);
    query.addBindValue(CallCostWriter::dateText(CallMoment::fromSerial(first).date));
    query.addBindValue(CallCostWriter::dateText(start.date));
    query.addBindValue(called);
    CDatabase::exec(query);
    QList<qint64> starts;
    while (query.next()) {
        const qint64 serial =
            CallMoment{callDate(query.value(0).toString()), secondOfDay(query.value(1).toString())}.serial();
        if (serial >= first && serial <= last)
            starts.append(serial);
    }
    query.finish();
    return starts;
}

int RepeatCalls::countWithin(const QList<qint64>& starts, CallMoment start, int windowSeconds)
{
    const qint64 last = start.serial();
    const qint64 first = last - windowSeconds;
    int count = 0;
    for (const qint64 serial : starts)
        if (serial >= first && serial <= last)
            ++count;
    return count;
}

} // namespace qalor
