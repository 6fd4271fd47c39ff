#pragma once

#include "TestDatabase.h"

#include <QStringList>

namespace qalor::test {

// The audit rows as "name|operation|result", oldest first.
inline QStringList auditRows(const TestDatabase& db)
{
    return db.column(
        QStringLiteral("SELECT 管理员名 || '|' || 操作 || '|' || 操作结果 FROM LOGINFO ORDER BY ID"));
}

} // namespace qalor::test
