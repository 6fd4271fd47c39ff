#include "collectordata/CollectorBeat.h"

#include "collectordata/CollectorTables.h"
#include "db/CDatabase.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

#include <cerrno>
#include <csignal>

namespace qalor {

namespace {
const QString Columns = QStringLiteral("服务, 主机, 串口号, 进程号, 串口状态, 待计算, 接收REPORT, 心跳");

CollectorBeat fromQuery(const QSqlQuery& query)
{
    CollectorBeat beat;
    beat.service = query.value(0).toString();
    beat.host = query.value(1).toString();
    beat.port = query.value(2).toInt();
    beat.pid = query.value(3).toLongLong();
    beat.link = CommControl::Link(query.value(4).toInt());
    beat.reportWaiting = query.value(5).toInt();
    beat.reportMode = query.value(6).toInt() != 0;
    beat.beatMs = query.value(7).toLongLong();
    return beat;
}
} // namespace

void CollectorBeat::write() const
{
    CollectorTables::ensure();
    CDatabase& db = CDatabase::shared();
    QSqlQuery update =
        db.prepare(QStringLiteral("UPDATE 采集服务表 SET 主机=?, 串口号=?, 进程号=?, 串口状态=?, "
                                  "待计算=?, 接收REPORT=?, 心跳=? WHERE 服务=?"));
    const QVariantList values{host, port, pid, int(link), reportWaiting, reportMode ? 1 : 0, beatMs};
    for (const QVariant& value : values)
        update.addBindValue(value);
    update.addBindValue(service);
    CDatabase::exec(update);
    if (update.numRowsAffected() > 0)
        return;
    QSqlQuery insert = db.prepare(
        QStringLiteral("INSERT INTO 采集服务表 (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?)").arg(Columns));
    insert.addBindValue(service);
    for (const QVariant& value : values)
        insert.addBindValue(value);
    CDatabase::exec(insert);
}

void CollectorBeat::remove(const QString& service)
{
    CollectorTables::ensure();
    QSqlQuery query = CDatabase::shared().prepare(QStringLiteral("DELETE FROM 采集服务表 WHERE 服务=?"));
    query.addBindValue(service);
    CDatabase::exec(query);
}

void CollectorBeat::forgetDead()
{
    CollectorTables::ensure();
    QSqlQuery query =
        CDatabase::shared().prepare(QStringLiteral("SELECT 服务, 进程号 FROM 采集服务表 WHERE 主机=?"));
    query.addBindValue(CollectorTables::hostName());
    CDatabase::exec(query);
    QStringList dead;
    while (query.next())
        if (!processAlive(query.value(1).toLongLong()))
            dead << query.value(0).toString();
    for (const QString& service : std::as_const(dead))
        remove(service);
}

std::optional<CollectorBeat> CollectorBeat::findLive(int port, const QString& except)
{
    // Not made here: a data source no collector ever used stays as it was
    // (the statement then fails, and there is no collector).
    QSqlQuery query = CDatabase::shared().prepare(
        QStringLiteral("SELECT %1 FROM 采集服务表 WHERE 主机=? AND 串口号=? AND 心跳>? ORDER BY 心跳 DESC")
            .arg(Columns));
    query.addBindValue(CollectorTables::hostName());
    query.addBindValue(port);
    query.addBindValue(QDateTime::currentMSecsSinceEpoch() - StaleMs);
    CDatabase::exec(query);
    while (query.next()) {
        CollectorBeat beat = fromQuery(query);
        if (beat.service != except && processAlive(beat.pid))
            return beat;
    }
    return std::nullopt;
}

std::optional<CollectorBeat> CollectorBeat::read(const QString& service)
{
    CollectorTables::ensure();
    QSqlQuery query =
        CDatabase::shared().prepare(QStringLiteral("SELECT %1 FROM 采集服务表 WHERE 服务=?").arg(Columns));
    query.addBindValue(service);
    CDatabase::exec(query);
    if (!query.next())
        return std::nullopt;
    return fromQuery(query);
}

QList<CollectorBeat> CollectorBeat::all()
{
    CollectorTables::ensure();
    QSqlQuery query = CDatabase::shared().prepare(
        QStringLiteral("SELECT %1 FROM 采集服务表 ORDER BY 串口号, 服务").arg(Columns));
    CDatabase::exec(query);
    QList<CollectorBeat> beats;
    while (query.next())
        beats << fromQuery(query);
    return beats;
}

QString CollectorBeat::linkText(CommControl::Link link)
{
    switch (link) {
    case CommControl::Link::Open:
        return QStringLiteral("已打开");
    case CommControl::Link::Connected:
        return QStringLiteral("已连接");
    case CommControl::Link::Reconnecting:
        return QStringLiteral("已断开，正在重连");
    case CommControl::Link::Closed:
        break;
    }
    return QStringLiteral("已关闭");
}

bool CollectorBeat::processAlive(qint64 pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno != ESRCH);
}

bool CollectorBeat::fresh() const
{
    return beatMs > QDateTime::currentMSecsSinceEpoch() - StaleMs;
}

} // namespace qalor
