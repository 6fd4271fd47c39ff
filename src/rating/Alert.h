#pragma once

#include "format/Money.h"
#include "rating/CallRecordFields.h"

#include <QDateTime>
#include <QString>

namespace qalor {

// A priced call as the alert rules see it.
struct CheckedCall
{
    QString caller;
    QString called;
    CallMoment start;
    int seconds = 0;
    Money billed; // charge and surcharge, as the bills show them
};

// One call that matched one rule: a row of 告警记录表.
struct Alert
{
    CheckedCall call;
    int ruleId = 0;
    QString ruleName;
    QString detail; // what the call reached, in words
    QDateTime raised;

    // One line for a log: when, the rule, the call and what it reached.
    QString line() const;
};

} // namespace qalor
