#pragma once

#include "rating/CallRecordFields.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <optional>

namespace qalor {

class CRecordSet;

// A row of 分时折扣率表: seconds of the day from start up to (not including)
// end; a band ending at 23:59:59 covers the day's last second.
struct TimeBand
{
    int start = 0;
    int end = 0;
    int tariffClass = 0;
    float multiplier = 1;

    // Seconds of the day of an HHMMSS text; nullopt when it is not six digits.
    static std::optional<int> secondOfDay(const QString& hhmmss);
    // A band from its row; nullopt when a time is not six digits.
    static std::optional<TimeBand> fromRow(const QString& start, const QString& end, int tariffClass,
                                           float multiplier);
};

// A holiday or weekday row: a whole day at one multiplier.
struct DayDiscount
{
    int tariffClass = 0;
    float multiplier = 1;
};

// The discount factor of a call: the call is cut at midnight into day parts;
// each part costs the cheapest of its weekday, holiday and time-band totals
// (never more than its full seconds); the factor is the parts' discounted
// seconds over the call's seconds. Every second counts exactly once.
class DiscountCalculator
{
public:
    // No tariff class or no seconds: factor 1.
    float DiscountFactor(const CallMoment& start, const CallMoment& end, std::optional<int> tariffClass);

    // Discounted seconds of the part [from, to) of one day (seconds of the day).
    float DayPartSeconds(QDate day, int from, int to, int tariffClass);
    float WeekdaySeconds(QDate day, int from, int to, int tariffClass);
    float HolidaySeconds(QDate day, int from, int to, int tariffClass);
    float TimeBandSeconds(int from, int to, int tariffClass);

    // Rows whose times are not six digits are left out and named in one
    // message (unreadableBandsText() and one line per row).
    bool LoadTimeDiscounts();
    static QString unreadableBandsText();
    bool LoadHolidayDiscounts(QDate day);
    bool LoadWeekdayDiscounts(int dayOfWeek); // 1 Sunday .. 7 Saturday

    bool timeDiscountsLoaded() const { return m_bandsLoaded; }
    void clearTimeDiscountsMark() { m_bandsLoaded = false; }
    QDate holidayCacheDate() const { return m_holidayDate; }
    int weekdayCache() const { return m_weekday; }

    // Installs lists as a load would have left them.
    void setTimeBands(const QList<TimeBand>& bands);
    void setHolidays(QDate day, const QList<DayDiscount>& rows);
    void setWeekdays(int dayOfWeek, const QList<DayDiscount>& rows);

    // 1 Sunday .. 7 Saturday.
    static int dayOfWeek(QDate day);

private:
    // How a load of one day's rows reports itself.
    struct DayRowTexts
    {
        QString errorLeadIn; // put before a data-source error's own text
        QString unknownError;
        QString cannotOpen;
        int classColumn;
        int multiplierColumn;
    };
    // Reads the rows of one date or weekday into rows; false when the read
    // broke off. opened tells whether the table could be opened at all.
    static bool loadDayRows(CRecordSet& set, const QString& filter, const DayRowTexts& texts,
                            QList<DayDiscount>& rows, bool& opened);
    static float firstOfClass(const QList<DayDiscount>& list, int tariffClass, int seconds);

    QHash<int, QList<TimeBand>> m_bands; // by tariff class, in table order
    bool m_bandsLoaded = false;
    QList<DayDiscount> m_holidays;
    QDate m_holidayDate;
    QList<DayDiscount> m_weekdays;
    int m_weekday = 0;
};

} // namespace qalor
