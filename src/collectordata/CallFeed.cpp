#include "collectordata/CallFeed.h"

#include "collectordata/CollectorTables.h"
#include "db/CDatabase.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

namespace qalor {

namespace {
// Start times travel as text: the same on both back ends.
const QString StartFormat = QStringLiteral("yyyyMMddHHmmss");
const QString Counter = QStringLiteral("采集序号表 WHERE 名称='话单'");
} // namespace

qint64 CallFeed::append(const QString& service, const PricedCall& call)
{
    return append(CDatabase::shared(), service, call);
}

qint64 CallFeed::append(CDatabase& db, const QString& service, const PricedCall& call)
{
    CollectorTables::ensure(db);
    CTransaction transaction(db);
    // The counter's row stays locked to the commit: the next collector takes
    // its number only once this row can be read.
    db.execute(QStringLiteral("UPDATE 采集序号表 SET 序号=序号+1 WHERE 名称='话单'"));
    QSqlQuery counter = db.prepare(QStringLiteral("SELECT 序号 FROM ") + Counter);
    CDatabase::exec(counter);
    if (!counter.next())
        throw DbError(QStringLiteral("采集序号表没有话单的序号."));
    const qint64 number = counter.value(0).toLongLong();
    QSqlQuery insert = db.prepare(QStringLiteral("INSERT INTO 采集话单表 (服务, 序号, 主叫号, 被叫号, "
                                                 "开始, 时长, 费率, 通话费, 附加费, 通达地, 计费单位数) "
                                                 "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    insert.addBindValue(service);
    insert.addBindValue(number);
    insert.addBindValue(call.caller);
    insert.addBindValue(call.called);
    insert.addBindValue(call.start.toDateTime().toString(StartFormat));
    insert.addBindValue(call.seconds);
    insert.addBindValue(double(call.effectiveRate));
    insert.addBindValue(double(call.charge));
    insert.addBindValue(double(call.surcharge));
    insert.addBindValue(call.area);
    insert.addBindValue(call.units);
    CDatabase::exec(insert);
    transaction.commit();
    return number;
}

QList<CallFeed::Entry> CallFeed::after(qint64 number)
{
    CDatabase& db = CDatabase::shared();
    CollectorTables::ensure(db);
    QSqlQuery query = db.prepare(QStringLiteral(
        "SELECT 服务, 序号, 主叫号, 被叫号, 开始, 时长, 费率, 通话费, 附加费, 通达地, 计费单位数 "
        "FROM 采集话单表 WHERE 序号>? ORDER BY 序号"));
    query.addBindValue(number);
    CDatabase::exec(query);
    QList<Entry> entries;
    while (query.next()) {
        Entry entry;
        entry.service = query.value(0).toString();
        entry.number = query.value(1).toLongLong();
        PricedCall& call = entry.call;
        call.caller = query.value(2).toString();
        call.called = query.value(3).toString();
        const QDateTime start = QDateTime::fromString(query.value(4).toString(), StartFormat);
        call.start = {start.date(), start.time().msecsSinceStartOfDay() / 1000};
        call.seconds = query.value(5).toInt();
        // psqlODBC hands REAL columns over as text.
        call.effectiveRate = query.value(6).toString().toFloat();
        call.charge = query.value(7).toString().toFloat();
        call.surcharge = query.value(8).toString().toFloat();
        call.area = query.value(9).toString();
        call.units = query.value(10).toInt();
        entries.append(entry);
    }
    return entries;
}

qint64 CallFeed::newest()
{
    CDatabase& db = CDatabase::shared();
    CollectorTables::ensure(db);
    QSqlQuery query = db.prepare(QStringLiteral("SELECT 序号 FROM ") + Counter);
    CDatabase::exec(query);
    return query.next() ? query.value(0).toLongLong() : 0;
}

void CallFeed::forget()
{
    CDatabase& db = CDatabase::shared();
    CollectorTables::ensure(db);
    QSqlQuery query = db.prepare(QStringLiteral("DELETE FROM 采集话单表 WHERE 序号<=(SELECT 序号 FROM ") +
                                 Counter + QStringLiteral(")-?"));
    query.addBindValue(KeepCalls);
    CDatabase::exec(query);
}

} // namespace qalor
