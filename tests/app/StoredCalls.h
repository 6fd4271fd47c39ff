#pragma once

#include "TestDatabase.h"

#include <QStringList>

namespace qalor::test {

// Dialled numbers stored more than once.
inline QStringList storedTwice(const TestDatabase& db)
{
    return db.column(QStringLiteral("SELECT 被叫号 FROM 话费表 GROUP BY 被叫号 HAVING COUNT(*) > 1"));
}

// Every dialled number stored, sorted.
inline QStringList storedNumbers(const TestDatabase& db)
{
    return db.column(QStringLiteral("SELECT 被叫号 FROM 话费表 ORDER BY 被叫号"));
}

} // namespace qalor::test
