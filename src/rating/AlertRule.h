#pragma once

#include "format/Money.h"

#include <QList>
#include <QString>

namespace qalor {

// One row of 告警规则表: what makes a priced call worth telling the
// administrator about.
struct AlertRule
{
    // The numbers stored in 规则类型.
    enum class Kind {
        Cost = 1,         // one call's charge and surcharge reach 金额
        Duration = 2,     // one call lasts 通话秒数 or longer
        PrefixWindow = 3, // the number starts with 号头 and the call starts within 起始时间..结束时间
        MonthTotal =
            4, // the extension's (or, with 部门编号, the department's) charges of the month reach 金额
        UnknownCaller = 5, // the calling extension has no row in 用户信息表
        Repeat = 6,        // 次数 or more calls from one extension to one number within 分钟数 minutes
    };

    int id = 0;
    QString name;
    Kind kind = Kind::Cost;
    Money amount;
    int seconds = 0;
    QString prefix;
    int from = -1; // second of the day the window opens; -1: no window (all day)
    int to = -1;   // second of the day it closes (not included); before from: across midnight
    int count = 0;
    int minutes = 0;
    QString extension;  // empty: every extension
    int department = 0; // 0: every department
    bool enabled = true;

    // Whether a call starting at that second of the day falls in the window:
    // from included, to not; 22:00-06:00 takes 22:00:00 to 05:59:59.
    bool inWindow(int secondOfDay) const;
    // A time of day as the table holds it ("220000", "2200", "22:00", "22:00:00")
    // as seconds since midnight; -1 for an empty or impossible text.
    static int secondOfDay(const QString& text);
    // Kinds this program knows; a row of another kind is passed over.
    static bool knownKind(int kind);
};

} // namespace qalor
