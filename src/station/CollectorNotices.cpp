#include "station/CollectorNotices.h"

#include "db/CDatabase.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

namespace qalor {

void CollectorNotices::ensure()
{
    CDatabase::shared().ensureOwnTables({QStringLiteral(
        "CREATE TABLE IF NOT EXISTS 采集通知表 (服务 VARCHAR(80) NOT NULL, 序号 BIGINT NOT NULL, "
        "内容 VARCHAR(4000), 时间 BIGINT NOT NULL, PRIMARY KEY (服务, 序号))")});
}

void CollectorNotices::add(const QString& service, qint64 number, const QString& text)
{
    ensure();
    QSqlQuery query = CDatabase::shared().prepare(
        QStringLiteral("INSERT INTO 采集通知表 (服务, 序号, 内容, 时间) VALUES (?, ?, ?, ?)"));
    query.addBindValue(service);
    query.addBindValue(number);
    query.addBindValue(text);
    query.addBindValue(QDateTime::currentMSecsSinceEpoch());
    CDatabase::exec(query);
}

QList<CollectorNotices::Notice> CollectorNotices::after(const QString& service, qint64 number)
{
    ensure();
    QSqlQuery query = CDatabase::shared().prepare(
        QStringLiteral("SELECT 序号, 内容 FROM 采集通知表 WHERE 服务=? AND 序号>? ORDER BY 序号"));
    query.addBindValue(service);
    query.addBindValue(number);
    CDatabase::exec(query);
    QList<Notice> notices;
    while (query.next())
        notices << Notice{query.value(0).toLongLong(), query.value(1).toString()};
    return notices;
}

qint64 CollectorNotices::newest(const QString& service)
{
    ensure();
    QSqlQuery query =
        CDatabase::shared().prepare(QStringLiteral("SELECT MAX(序号) FROM 采集通知表 WHERE 服务=?"));
    query.addBindValue(service);
    CDatabase::exec(query);
    return query.next() ? query.value(0).toLongLong() : 0;
}

void CollectorNotices::forget(const QString& service, qint64 beforeMs)
{
    ensure();
    QSqlQuery query =
        CDatabase::shared().prepare(QStringLiteral("DELETE FROM 采集通知表 WHERE 服务=? AND 时间<?"));
    query.addBindValue(service);
    query.addBindValue(beforeMs);
    CDatabase::exec(query);
}

} // namespace qalor
