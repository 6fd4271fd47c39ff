#pragma once

#include "TestDatabase.h"

namespace qalor::test {

// The data source refuses every call of one extension (a trigger on 话费表),
// and only those, until acceptEveryCaller.
inline void refuseCaller(const TestDatabase& db, const QString& extension)
{
    if (TestDatabase::isPostgres()) {
        db.execute(
            QStringLiteral("CREATE FUNCTION refuse_call() RETURNS trigger AS $$ BEGIN IF NEW.主叫号 = '%1' "
                           "THEN RAISE EXCEPTION 'call refused'; END IF; RETURN NEW; END $$ LANGUAGE plpgsql")
                .arg(extension));
        db.execute(
            QStringLiteral("CREATE TRIGGER refuse_call BEFORE INSERT ON 话费表 FOR EACH ROW EXECUTE FUNCTION "
                           "refuse_call()"));
    } else {
        db.execute(QStringLiteral("CREATE TRIGGER refuse_call BEFORE INSERT ON 话费表 WHEN NEW.主叫号 = '%1' "
                                  "BEGIN SELECT RAISE(ABORT, 'call refused'); END")
                       .arg(extension));
    }
}

inline void acceptEveryCaller(const TestDatabase& db)
{
    if (TestDatabase::isPostgres())
        db.execute(QStringLiteral("DROP TRIGGER refuse_call ON 话费表"));
    else
        db.execute(QStringLiteral("DROP TRIGGER refuse_call"));
}

} // namespace qalor::test
