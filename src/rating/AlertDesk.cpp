#include "rating/AlertDesk.h"

#include "access/AuditLog.h"
#include "db/CDatabase.h"
#include "prompt/Prompt.h"
#include "rating/AlertLog.h"

#include <QDateTime>

namespace qalor {

QString AlertDesk::operationText(const QList<int>& ids)
{
    QStringList numbers;
    for (const int id : ids)
        numbers << QString::number(id);
    // LOGINFO keeps 255 characters of it.
    return (QStringLiteral("确认告警 ") + numbers.join(QLatin1Char(','))).left(255);
}

int AlertDesk::acknowledge(const QList<int>& ids, const QString& administrator)
{
    if (ids.isEmpty())
        return 0;
    int changed = -1;
    runGuarded(QStringLiteral("Unknown Error in 告警记录表."), [&] {
        CDatabase& db = CDatabase::shared();
        CTransaction transaction(db);
        const int count = AlertLog::acknowledge(db, ids, administrator, QDateTime::currentDateTime());
        // The audit row belongs to the acknowledgement: without it, nothing.
        if (!AuditLog::write(administrator, operationText(ids), AuditLog::success()))
            return;
        transaction.commit();
        changed = count;
    });
    return changed;
}

} // namespace qalor
