#pragma once

#include "db/KeptStatement.h"

#include <QString>

namespace qalor {

class CDatabase;

// 告警状态表: what each rule has told already, so that every program on the
// data source tells it once. A mark is written in the transaction that
// stores the call: rolled back with it, kept over a restart. On PostgreSQL
// the statement that decides holds the row's lock until the transaction
// ends, so of two programs deciding at the same moment the second waits
// and sees the first's mark. Every function raises DbError.
class AlertMarks
{
public:
    static void ensureTable();

    // True the first time the rule tells about key (a month's total).
    bool firstTime(CDatabase& db, int ruleId, const QString& key);
    // True unless the rule told about key for a moment less than
    // windowSeconds away from at, before or after it (calls of a batch come
    // in any order); at is then noted as the moment told.
    bool firstInWindow(CDatabase& db, int ruleId, const QString& key, qint64 at, int windowSeconds);

private:
    KeptStatement m_once{QStringLiteral(
        "INSERT INTO 告警状态表 (规则编号, 对象, 时刻) VALUES (?, ?, 0) ON CONFLICT DO NOTHING")};
    KeptStatement m_window{QStringLiteral(
        "INSERT INTO 告警状态表 (规则编号, 对象, 时刻) VALUES (?, ?, ?) ON CONFLICT (规则编号, 对象) "
        "DO UPDATE SET 时刻=excluded.时刻 WHERE excluded.时刻>告警状态表.时刻+? OR "
        "excluded.时刻<告警状态表.时刻-?")};
};

} // namespace qalor
