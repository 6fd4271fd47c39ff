#include "collector/CollectorRequests.h"

#include "collector/CollectorLink.h"
#include "collectordata/CollectorTables.h"
#include "db/CDatabase.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

namespace qalor {

QString CollectorRequests::post(const QString& service, const QString& kind, const QString& argument)
{
    static qint64 counter = 0;
    CollectorTables::ensure();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const QString id = QStringLiteral("%1/%2/%3").arg(CollectorTables::processName()).arg(now).arg(++counter);
    QSqlQuery insert = CDatabase::shared().prepare(QStringLiteral(
        "INSERT INTO 采集请求表 (请求号, 服务, 请求, 参数, 状态, 结果, 时间) VALUES (?, ?, ?, ?, ?, ?, ?)"));
    insert.addBindValue(id);
    insert.addBindValue(service);
    insert.addBindValue(kind);
    insert.addBindValue(argument);
    insert.addBindValue(int(Waiting));
    insert.addBindValue(QString());
    insert.addBindValue(now);
    CDatabase::exec(insert);
    return id;
}

QList<CollectorRequests::Request> CollectorRequests::waiting(const QString& service)
{
    return waiting(service, CDatabase::shared());
}

QList<CollectorRequests::Request> CollectorRequests::waiting(const QString& service, CDatabase& db)
{
    CollectorTables::ensure(db);
    QSqlQuery query = db.prepare(QStringLiteral(
        "SELECT 请求号, 请求, 参数 FROM 采集请求表 WHERE 服务=? AND 状态=? ORDER BY 时间, 请求号"));
    query.addBindValue(service);
    query.addBindValue(int(Waiting));
    CDatabase::exec(query);
    QList<Request> requests;
    while (query.next())
        requests.append(
            {query.value(0).toString(), query.value(1).toString(), query.value(2).toString(), Waiting, {}});
    return requests;
}

bool CollectorRequests::claim(const QString& id, const QString& service)
{
    return claim(id, service, CDatabase::shared());
}

bool CollectorRequests::claim(const QString& id, const QString& service, CDatabase& db)
{
    CollectorTables::ensure(db);
    QSqlQuery update = db.prepare(
        QStringLiteral("UPDATE 采集请求表 SET 状态=?, 结果=? WHERE 请求号=? AND 服务=? AND 状态=?"));
    update.addBindValue(int(Running));
    update.addBindValue(QString());
    update.addBindValue(id);
    update.addBindValue(service);
    update.addBindValue(int(Waiting));
    CDatabase::exec(update);
    return update.numRowsAffected() == 1;
}

bool CollectorRequests::answer(const QString& id, const QString& service, State state, const QString& text)
{
    CollectorTables::ensure();
    QSqlQuery update = CDatabase::shared().prepare(
        QStringLiteral("UPDATE 采集请求表 SET 状态=?, 结果=? WHERE 请求号=? AND 服务=? AND 状态=?"));
    update.addBindValue(int(state));
    update.addBindValue(text.left(4000));
    update.addBindValue(id);
    update.addBindValue(service);
    update.addBindValue(int(Running));
    CDatabase::exec(update);
    return update.numRowsAffected() == 1;
}

void CollectorRequests::dropStale(const QString& service)
{
    CollectorTables::ensure();
    QSqlQuery update = CDatabase::shared().prepare(
        QStringLiteral("UPDATE 采集请求表 SET 状态=?, 结果=? WHERE 服务=? AND 状态<?"));
    update.addBindValue(int(Failed));
    update.addBindValue(CollectorLink::noAnswerText());
    update.addBindValue(service);
    update.addBindValue(int(Done));
    CDatabase::exec(update);
}

CollectorRequests::Request CollectorRequests::read(const QString& id)
{
    CollectorTables::ensure();
    QSqlQuery query = CDatabase::shared().prepare(
        QStringLiteral("SELECT 请求号, 请求, 参数, 状态, 结果 FROM 采集请求表 WHERE 请求号=?"));
    query.addBindValue(id);
    CDatabase::exec(query);
    Request request;
    if (query.next())
        request = {query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                   State(query.value(3).toInt()), query.value(4).toString()};
    return request;
}

void CollectorRequests::forgetAnswered(const QString& service, qint64 beforeMs)
{
    CollectorTables::ensure();
    QSqlQuery query = CDatabase::shared().prepare(
        QStringLiteral("DELETE FROM 采集请求表 WHERE 服务=? AND 状态>=? AND 时间<?"));
    query.addBindValue(service);
    query.addBindValue(int(Done));
    query.addBindValue(beforeMs);
    CDatabase::exec(query);
}

qint64 CollectorRequests::requesterPid(const QString& id)
{
    const QStringList parts = id.split(QLatin1Char('/'));
    return parts.size() >= 2 ? parts.at(1).toLongLong() : 0;
}

} // namespace qalor
