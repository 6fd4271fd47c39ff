#pragma once

#include <QList>
#include <QString>

namespace qalor {

// Acknowledging alerts: the alert rows note who and when, and LOGINFO keeps
// a row of it, both in one transaction.
class AlertDesk
{
public:
    // How many alerts were acknowledged now; -1 when nothing was written
    // (the reason has been shown).
    static int acknowledge(const QList<int>& ids, const QString& administrator);
    static QString operationText(const QList<int>& ids);
};

} // namespace qalor
