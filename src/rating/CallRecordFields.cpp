#include "rating/CallRecordFields.h"

#include "intake/CodeText.h"

namespace qalor {

namespace {

constexpr int SecondsPerDay = 86400;

int number(const QString& record, qsizetype pos, qsizetype count)
{
    return readLeadingNumber(QStringView(record).mid(qMin(pos, record.size()), count));
}

int secondOfDay(const QString& record, qsizetype pos)
{
    return number(record, pos, 2) * 3600 + number(record, pos + 2, 2) * 60 + number(record, pos + 4, 2);
}

bool allDigits(const QString& record, qsizetype pos, qsizetype count)
{
    if (pos + count > record.size())
        return false;
    for (qsizetype i = pos; i < pos + count; ++i)
        if (record.at(i) < QLatin1Char('0') || record.at(i) > QLatin1Char('9'))
            return false;
    return true;
}

bool realTimeOfDay(const QString& record, qsizetype pos)
{
    return allDigits(record, pos, 6) && number(record, pos, 2) < 24 && number(record, pos + 2, 2) < 60 &&
           number(record, pos + 4, 2) < 60;
}

// Builds a moment from possibly out-of-range parts the way calendar
// normalisation does: month 13 is January of the next year, day 0 the last
// day of the previous month, second 60 the next minute.
CallMoment normalised(int year, int month, int day, int second)
{
    const QDate date = QDate(year, 1, 1).addMonths(month - 1).addDays(day - 1);
    return CallMoment::fromSerial(date.toJulianDay() * SecondsPerDay + second);
}

} // namespace

CallMoment CallMoment::fromSerial(qint64 serial)
{
    qint64 day = serial / SecondsPerDay;
    qint64 second = serial % SecondsPerDay;
    if (second < 0) {
        second += SecondsPerDay;
        --day;
    }
    return {QDate::fromJulianDay(day), int(second)};
}

QDateTime CallMoment::toDateTime() const
{
    return QDateTime(date, QTime(0, 0).addSecs(second));
}

CallRecordFields CallRecordFields::read(const QString& record)
{
    CallRecordFields fields;
    fields.callType = number(record, 5, 3);
    int year = number(record, 12, 2);
    if (year < 2000)
        year += 2000;
    const int month = number(record, 14, 2);
    const int day = number(record, 16, 2);
    fields.start = normalised(year, month, day, secondOfDay(record, 26));
    fields.end = normalised(year, month, day, secondOfDay(record, 33));
    if (fields.end.serial() < fields.start.serial())
        fields.end = CallMoment::fromSerial(fields.end.serial() + SecondsPerDay);
    fields.seconds = int(fields.end.serial() - fields.start.serial());
    fields.moments = allDigits(record, 12, 6) && QDate::isValid(year, month, day) &&
                     realTimeOfDay(record, 26) && realTimeOfDay(record, 33);

    fields.caller = record.mid(qMin<qsizetype>(40, record.size()), 4);
    QString called = record.mid(qMin<qsizetype>(45, record.size()), 18);
    const qsizetype dash = called.indexOf(QLatin1Char('-'));
    if (dash >= 0)
        called.truncate(dash);
    while (!called.isEmpty() && called.back().isSpace())
        called.chop(1);
    fields.called = called;
    return fields;
}

int CallRecordFields::durationDigits() const
{
    const int s = seconds % SecondsPerDay;
    return (s / 3600) * 10000 + (s / 60 % 60) * 100 + s % 60;
}

} // namespace qalor
