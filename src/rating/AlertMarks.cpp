#include "rating/AlertMarks.h"

#include "db/CDatabase.h"

#include <QVariant>

namespace qalor {

void AlertMarks::ensureTable()
{
    CDatabase::shared().ensureOwnTables(
        {QStringLiteral("CREATE TABLE IF NOT EXISTS 告警状态表 (规则编号 INTEGER NOT NULL, 对象 VARCHAR(120) "
                        "NOT NULL, 时刻 BIGINT NOT NULL, PRIMARY KEY (规则编号, 对象))")});
}

bool AlertMarks::firstTime(CDatabase& db, int ruleId, const QString& key)
{
    QSqlQuery& insert = m_once.on(db);
    insert.addBindValue(ruleId);
    insert.addBindValue(key);
    CDatabase::exec(insert);
    return insert.numRowsAffected() > 0;
}

bool AlertMarks::firstInWindow(CDatabase& db, int ruleId, const QString& key, qint64 at, int windowSeconds)
{
    // Inserted, or moved on because the last mark lies a whole window away:
    // one row changed. A mark within the window: none.
    QSqlQuery& upsert = m_window.on(db);
    upsert.addBindValue(ruleId);
    upsert.addBindValue(key);
    upsert.addBindValue(at);
    upsert.addBindValue(qint64(windowSeconds));
    upsert.addBindValue(qint64(windowSeconds));
    CDatabase::exec(upsert);
    return upsert.numRowsAffected() > 0;
}

} // namespace qalor
