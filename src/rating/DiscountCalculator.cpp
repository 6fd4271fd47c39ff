#include "rating/DiscountCalculator.h"

#include "prompt/OpenOrReport.h"
#include "prompt/Prompt.h"
#include "db/sets/CDayDiscSet.h"
#include "db/sets/CTimeDiscSet.h"
#include "db/sets/CWeekDiscSet.h"

#include <QVarLengthArray>

namespace qalor {

namespace {

constexpr int SecondsPerDay = 86400;
constexpr int LastSecond = SecondsPerDay - 1;

// Loads a list the way the weekday and time-band loads report their errors:
// a data-source error behind a fixed lead-in, anything else as a fixed text.
template <class Operation>
bool runReporting(const QString& dbLeadIn, const QString& unknownText, Operation&& operation)
{
    try {
        operation();
        return true;
    } catch (const DbError& error) {
        Prompt::inform(dbLeadIn + error.message());
    } catch (...) {
        Prompt::inform(unknownText);
    }
    return false;
}

} // namespace

std::optional<int> TimeBand::secondOfDay(const QString& hhmmss)
{
    if (hhmmss.size() < 6)
        return std::nullopt;
    int value[3];
    for (int i = 0; i < 3; ++i) {
        const QChar hi = hhmmss.at(2 * i), lo = hhmmss.at(2 * i + 1);
        if (!hi.isDigit() || !lo.isDigit() || hi.unicode() > '9' || lo.unicode() > '9')
            return std::nullopt;
        value[i] = (hi.unicode() - '0') * 10 + (lo.unicode() - '0');
    }
    return qMin(value[0] * 3600 + value[1] * 60 + value[2], SecondsPerDay);
}

std::optional<TimeBand> TimeBand::fromRow(const QString& start, const QString& end, int tariffClass,
                                          float multiplier)
{
    const auto from = secondOfDay(start);
    const auto to = secondOfDay(end);
    if (!from || !to)
        return std::nullopt;
    // A band that ends at the day's last second covers that second too.
    return TimeBand{*from, *to == LastSecond ? SecondsPerDay : *to, tariffClass, multiplier};
}

QString DiscountCalculator::unreadableBandsText()
{
    return QStringLiteral("分时段折扣表中以下时段的起止时间不是六位数字(HHMMSS),这些时段不打折:\n");
}

int DiscountCalculator::dayOfWeek(QDate day)
{
    return day.dayOfWeek() % 7 + 1;
}

void DiscountCalculator::setTimeBands(const QList<TimeBand>& bands)
{
    m_bands.clear();
    for (const TimeBand& band : bands)
        m_bands[band.tariffClass].append(band);
    m_bandsLoaded = true;
}

void DiscountCalculator::setHolidays(QDate day, const QList<DayDiscount>& rows)
{
    m_holidays = rows;
    m_holidayDate = day;
}

void DiscountCalculator::setWeekdays(int dayOfWeek, const QList<DayDiscount>& rows)
{
    m_weekdays = rows;
    m_weekday = dayOfWeek;
}

float DiscountCalculator::DiscountFactor(const CallMoment& start, const CallMoment& end,
                                         std::optional<int> tariffClass)
{
    const qint64 total = end.serial() - start.serial();
    if (!tariffClass || total <= 0)
        return 1.0f;
    float sum = 0;
    for (qint64 s = start.serial(); s < end.serial();) {
        const CallMoment part = CallMoment::fromSerial(s);
        const qint64 dayEnd = s - part.second + SecondsPerDay;
        const qint64 partEnd = qMin(end.serial(), dayEnd);
        sum += DayPartSeconds(part.date, part.second, int(partEnd - (s - part.second)), *tariffClass);
        s = partEnd;
    }
    return sum / float(total);
}

float DiscountCalculator::DayPartSeconds(QDate day, int from, int to, int tariffClass)
{
    float best = float(to - from);
    best = qMin(best, WeekdaySeconds(day, from, to, tariffClass));
    best = qMin(best, HolidaySeconds(day, from, to, tariffClass));
    best = qMin(best, TimeBandSeconds(from, to, tariffClass));
    return best;
}

float DiscountCalculator::firstOfClass(const QList<DayDiscount>& list, int tariffClass, int seconds)
{
    for (const DayDiscount& row : list)
        if (row.tariffClass == tariffClass)
            return float(seconds) * row.multiplier;
    return float(seconds);
}

float DiscountCalculator::WeekdaySeconds(QDate day, int from, int to, int tariffClass)
{
    const int d = dayOfWeek(day);
    if (d != m_weekday && !LoadWeekdayDiscounts(d))
        return float(to - from);
    return firstOfClass(m_weekdays, tariffClass, to - from);
}

float DiscountCalculator::HolidaySeconds(QDate day, int from, int to, int tariffClass)
{
    if (day != m_holidayDate && !LoadHolidayDiscounts(day))
        return float(to - from);
    return firstOfClass(m_holidays, tariffClass, to - from);
}

float DiscountCalculator::TimeBandSeconds(int from, int to, int tariffClass)
{
    if (!m_bandsLoaded && !LoadTimeDiscounts())
        return float(to - from);
    const auto bands = m_bands.constFind(tariffClass);
    if (bands == m_bands.constEnd())
        return float(to - from);

    // Each second takes the multiplier of the first band (in table order)
    // that holds it; seconds in no band count in full.
    QVarLengthArray<QPair<int, int>, 8> open{{from, to}};
    float result = 0;
    for (const TimeBand& band : *bands) {
        QVarLengthArray<QPair<int, int>, 8> rest;
        for (const auto& [a, b] : open) {
            const int lo = qMax(a, band.start), hi = qMin(b, band.end);
            if (lo >= hi) {
                rest.append({a, b});
                continue;
            }
            result += float(hi - lo) * band.multiplier;
            if (a < lo)
                rest.append({a, lo});
            if (hi < b)
                rest.append({hi, b});
        }
        open = rest;
        if (open.isEmpty())
            break;
    }
    for (const auto& [a, b] : open)
        result += float(b - a);
    return result;
}

bool DiscountCalculator::LoadTimeDiscounts()
{
    m_bands.clear();
    bool opened = false;
    const bool completed = runReporting(
        QStringLiteral("Falt when loading TimeDiscRate:"),
        QStringLiteral("falt in load timediscrate:Unknown error."), [&] {
            CTimeDiscSet set;
            set.setSort(QStringLiteral("折扣类型"));
            if (!openOrReport(set, QStringLiteral("打开分时段折扣表失败,程序可能不能对费率正确打折.")))
                return;
            opened = true;
            QStringList unreadable;
            for (set.moveFirst(); !set.isEOF(); set.moveNext()) {
                const QString start = set.text(CTimeDiscSet::StartTime);
                const QString end = set.text(CTimeDiscSet::EndTime);
                const int tariffClass = set.integer(CTimeDiscSet::TariffClass);
                const auto band = TimeBand::fromRow(start, end, tariffClass, set.single(CTimeDiscSet::Multiplier));
                if (band)
                    m_bands[band->tariffClass].append(*band);
                else
                    unreadable << QStringLiteral("折扣类型%1: %2-%3").arg(tariffClass).arg(start, end);
            }
            set.close();
            // A band that cannot be read would silently price its hours in
            // full: say so once per load, naming every such row.
            if (!unreadable.isEmpty())
                Prompt::inform(unreadableBandsText() + unreadable.join(QLatin1Char('\n')));
        });
    // A table that cannot be opened is not tried again until the next reload;
    // an error while reading it is tried again by the next call.
    if (!completed) {
        m_bands.clear();
        return false;
    }
    m_bandsLoaded = true;
    return opened;
}

bool DiscountCalculator::loadDayRows(CRecordSet& set, const QString& filter, const DayRowTexts& texts,
                                     QList<DayDiscount>& rows, bool& opened)
{
    rows.clear();
    opened = false;
    const bool completed = runReporting(texts.errorLeadIn, texts.unknownError, [&] {
        set.setSort(QStringLiteral("折扣类型"));
        set.setFilter(filter);
        if (!openOrReport(set, texts.cannotOpen))
            return;
        opened = true;
        for (set.moveFirst(); !set.isEOF(); set.moveNext())
            rows.append({set.integer(texts.classColumn), float(set.real(texts.multiplierColumn))});
        set.close();
    });
    if (!completed)
        rows.clear();
    return completed;
}

bool DiscountCalculator::LoadHolidayDiscounts(QDate day)
{
    static const DayRowTexts texts{
        QString(), QStringLiteral("falt in load daydiscrate:UnKown Error."),
        QStringLiteral("打开节假日折扣表失败,程序可能不能进行正常的节假日费率打折."),
        CDayDiscSet::TariffClass, CDayDiscSet::Multiplier};
    CDayDiscSet set;
    bool opened = false;
    const QString filter =
        QStringLiteral("日期='") + day.toString(QStringLiteral("yyMMdd")) + QLatin1Char('\'');
    if (!loadDayRows(set, filter, texts, m_holidays, opened))
        return false;
    m_holidayDate = day;
    return opened;
}

bool DiscountCalculator::LoadWeekdayDiscounts(int dayOfWeek)
{
    static const DayRowTexts texts{QStringLiteral("Falt when loading WeekDiscRate:"),
                                   QStringLiteral("falt in load Weekdiscrate:Unknown error."),
                                   QStringLiteral("打开星期折扣表失败,程序无法按星期对费率打折."),
                                   CWeekDiscSet::TariffClass, CWeekDiscSet::Multiplier};
    CWeekDiscSet set;
    bool opened = false;
    if (!loadDayRows(set, QStringLiteral("星期=") + QString::number(dayOfWeek), texts, m_weekdays, opened))
        return false;
    m_weekday = dayOfWeek;
    return opened;
}

} // namespace qalor
