#include "collectordata/CollectorTables.h"

#include "db/CDatabase.h"

#include <QCoreApplication>
#include <QSysInfo>

namespace qalor {

void CollectorTables::ensure()
{
    ensure(CDatabase::shared());
}

void CollectorTables::ensure(CDatabase& db)
{
    db.ensureOwnTables(
        {QStringLiteral("CREATE TABLE IF NOT EXISTS 采集服务表 (服务 VARCHAR(80) NOT NULL PRIMARY KEY, "
                        "主机 VARCHAR(64) NOT NULL, 串口号 INTEGER NOT NULL, 进程号 BIGINT NOT NULL, "
                        "串口状态 SMALLINT NOT NULL, 待计算 INTEGER NOT NULL, 接收REPORT SMALLINT NOT NULL, "
                        "心跳 BIGINT NOT NULL)"),
         QStringLiteral("CREATE TABLE IF NOT EXISTS 采集请求表 (请求号 VARCHAR(100) NOT NULL PRIMARY KEY, "
                        "服务 VARCHAR(80) NOT NULL, 请求 VARCHAR(20) NOT NULL, 参数 VARCHAR(4000), "
                        "状态 SMALLINT NOT NULL, 结果 VARCHAR(4000), 时间 BIGINT NOT NULL)"),
         QStringLiteral("CREATE TABLE IF NOT EXISTS 采集话单表 (服务 VARCHAR(80) NOT NULL, "
                        "序号 BIGINT NOT NULL, 主叫号 VARCHAR(20), 被叫号 VARCHAR(40), 开始 VARCHAR(20), "
                        "时长 INTEGER, 费率 REAL, 通话费 REAL, 附加费 REAL, 通达地 VARCHAR(100), "
                        "计费单位数 INTEGER, PRIMARY KEY (服务, 序号))"),
         QStringLiteral("CREATE INDEX IF NOT EXISTS 采集话单表_序号 ON 采集话单表 (序号)"),
         QStringLiteral("CREATE TABLE IF NOT EXISTS 采集序号表 (名称 VARCHAR(20) NOT NULL PRIMARY KEY, "
                        "序号 BIGINT NOT NULL)"),
         // Numbers go on above those a table made before the counter holds.
         QStringLiteral(
             "INSERT INTO 采集序号表 (名称, 序号) SELECT '话单', COALESCE(MAX(序号), 0) FROM 采集话单表 "
             "WHERE 1=1 ON CONFLICT (名称) DO NOTHING")});
}

QString CollectorTables::hostName()
{
    return QSysInfo::machineHostName();
}

QString CollectorTables::processName()
{
    return hostName() + QLatin1Char('/') + QString::number(QCoreApplication::applicationPid());
}

} // namespace qalor
