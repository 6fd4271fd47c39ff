#include "collector/CallFeed.h"

#include "collector/CollectorTables.h"
#include "db/CDatabase.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

namespace qalor {

namespace {
// Start times travel as text: the same on both back ends.
const QString StartFormat = QStringLiteral("yyyyMMddHHmmss");
} // namespace

qint64 CallFeed::nextNumber(qint64 last)
{
    return qMax(last + 1, QDateTime::currentMSecsSinceEpoch() * 1000);
}

void CallFeed::append(const QString& service, qint64 number, const PricedCall& call)
{
    CollectorTables::ensure();
    QSqlQuery insert =
        CDatabase::shared().prepare(QStringLiteral("INSERT INTO 采集话单表 (服务, 序号, 主叫号, 被叫号, "
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
}

QList<CallFeed::Entry> CallFeed::after(qint64 number)
{
    CollectorTables::ensure();
    QSqlQuery query = CDatabase::shared().prepare(QStringLiteral(
        "SELECT 服务, 序号, 主叫号, 被叫号, 开始, 时长, 费率, 通话费, 附加费, 通达地, 计费单位数 "
        "FROM 采集话单表 WHERE 序号>? ORDER BY 序号, 服务"));
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
    CollectorTables::ensure();
    QSqlQuery query = CDatabase::shared().prepare(QStringLiteral("SELECT MAX(序号) FROM 采集话单表"));
    CDatabase::exec(query);
    return query.next() ? query.value(0).toLongLong() : 0;
}

void CallFeed::forget(const QString& service, qint64 below)
{
    CollectorTables::ensure();
    QSqlQuery query =
        CDatabase::shared().prepare(QStringLiteral("DELETE FROM 采集话单表 WHERE 服务=? AND 序号<?"));
    query.addBindValue(service);
    query.addBindValue(below);
    CDatabase::exec(query);
}

} // namespace qalor
