#include "access/AuditLog.h"

#include "db/sets/CLoginfoSet.h"
#include "prompt/Prompt.h"

#include <QDateTime>

namespace qalor {

bool AuditLog::write(const QString& administrator, const QString& operation, const QString& result,
                     CDatabase* db)
{
    return runGuarded(QStringLiteral("Unkonwn Error in LOGINFO TABLE."), [&] {
        const QDateTime now = QDateTime::currentDateTime();
        CLoginfoSet log(db);
        log.setFilter(QStringLiteral("ID=0"));
        log.open();
        log.addNew();
        log.setValue(CLoginfoSet::Name, administrator);
        log.setValue(CLoginfoSet::Operation, operation);
        log.setValue(CLoginfoSet::Result, result);
        log.setValue(CLoginfoSet::Date, now.toString(QStringLiteral("yyyyMMdd")));
        log.setValue(CLoginfoSet::Time, now.toString(QStringLiteral("HHmmss")));
        log.update();
    });
}

} // namespace qalor
