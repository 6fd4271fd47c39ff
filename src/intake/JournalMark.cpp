#include "intake/JournalMark.h"

#include "db/CDatabase.h"

#include <QSqlQuery>
#include <QVariant>

namespace qalor {

void JournalMark::ensureTable()
{
    CDatabase::shared().ensureOwnTables(
        {QStringLiteral("CREATE TABLE IF NOT EXISTS 日志序号表 (日志 VARCHAR(40) NOT NULL PRIMARY KEY, 序号 "
                        "BIGINT NOT NULL)")});
}

qint64 JournalMark::read(const QString& identity)
{
    ensureTable();
    QSqlQuery query = CDatabase::shared().prepare(QStringLiteral("SELECT 序号 FROM 日志序号表 WHERE 日志=?"));
    query.addBindValue(identity);
    CDatabase::exec(query);
    return query.next() ? query.value(0).toLongLong() : 0;
}

qint64 JournalMark::readSettled(const QString& identity)
{
    ensureTable();
    // Changes nothing, but waits for the row's lock.
    QSqlQuery wait =
        CDatabase::shared().prepare(QStringLiteral("UPDATE 日志序号表 SET 序号=序号 WHERE 日志=?"));
    wait.addBindValue(identity);
    CDatabase::exec(wait);
    return read(identity);
}

void JournalMark::write(const QString& identity, qint64 number)
{
    ensureTable();
    CDatabase& db = CDatabase::shared();
    QSqlQuery update = db.prepare(QStringLiteral("UPDATE 日志序号表 SET 序号=? WHERE 日志=? AND 序号<?"));
    update.addBindValue(number);
    update.addBindValue(identity);
    update.addBindValue(number);
    CDatabase::exec(update);
    if (update.numRowsAffected() > 0 || read(identity) >= number)
        return;
    QSqlQuery insert = db.prepare(QStringLiteral("INSERT INTO 日志序号表 (日志, 序号) VALUES (?, ?)"));
    insert.addBindValue(identity);
    insert.addBindValue(number);
    CDatabase::exec(insert);
}

} // namespace qalor
