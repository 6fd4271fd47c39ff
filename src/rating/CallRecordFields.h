#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

namespace qalor {

// A moment of a call as the PBX states it: a calendar day and the second of
// that day (0 .. 86399). Wall-clock arithmetic, so no daylight-saving jump
// ever lengthens or shortens a call.
struct CallMoment
{
    QDate date;
    int second = 0;

    qint64 serial() const { return date.toJulianDay() * 86400 + second; }
    static CallMoment fromSerial(qint64 serial);
    QDateTime toDateTime() const;
};

// The fields of a canonical CDR record that pricing reads.
struct CallRecordFields
{
    int callType = -1; // positions 5-7 read as a number
    CallMoment start;  // date 12-17, time 26-31
    CallMoment end;    // same date, time 33-38; the next day when earlier than the start
    int seconds = 0;   // end minus start
    QString caller;    // positions 40-43
    QString called;    // positions 45-62 up to the first "-", without trailing blanks
    // Whether the date and both times are all digits and name a real day and
    // real times of day. When not, start and end are still built (out-of-range
    // parts roll over), but the call must not be stored under them.
    bool moments = false;

    static CallRecordFields read(const QString& record);

    // The duration written as the number whose decimal digits are its hours
    // (0-23), minutes and seconds: 1 h 5 min 7 s is 10507.
    int durationDigits() const;
};

} // namespace qalor
