#include "CanonicalRecord.h"

#include "rating/CallPrice.h"
#include "rating/CallRecordFields.h"
#include "rating/DiscountCalculator.h"
#include "rating/PrefixIndex.h"
#include "rating/Rate31Table.h"
#include "rating/RateEntry.h"

#include <QTest>

using namespace qalor;
using qalor::test::canonicalRecord;

namespace {

CallMoment at(const QString& date, const QString& hhmmss)
{
    return CallRecordFields::read(canonicalRecord(date, hhmmss, hhmmss, QStringLiteral("1000"), {})).start;
}

TimeBand band(const char* start, const char* end, int tariffClass, float multiplier)
{
    return *TimeBand::fromRow(QLatin1String(start), QLatin1String(end), tariffClass, multiplier);
}

// A calculator whose lists are in place for the given days, so no data
// source is needed.
DiscountCalculator calculator(const QList<TimeBand>& bands, const QList<QDate>& days,
                              const QList<DayDiscount>& weekday = {}, const QList<DayDiscount>& holiday = {})
{
    DiscountCalculator c;
    c.setTimeBands(bands);
    c.setWeekdays(DiscountCalculator::dayOfWeek(days.first()), weekday);
    c.setHolidays(days.first(), holiday);
    return c;
}

} // namespace

class TestRatingArithmetic : public QObject
{
    Q_OBJECT

private slots:
    void longestSharedPrefix_data();
    void longestSharedPrefix();
    void recordFields_data();
    void recordFields();
    void shortOrMalformedRecordsDoNotCrash();
    void billingUnits_data();
    void billingUnits();
    void unmatchedNumberAndBadUnit();
    void discountFactor_data();
    void discountFactor();
    void noClassOrNoSecondsMeansNoDiscount();
    void twoTierTariff_data();
    void twoTierTariff();
    void twoTierSlotsStayInRange();
};

void TestRatingArithmetic::longestSharedPrefix_data()
{
    QTest::addColumn<QStringList>("prefixes"); // in list order ("区号 DESC,折扣类型")
    QTest::addColumn<QString>("number");
    QTest::addColumn<int>("chosen");

    QTest::newRow("longer prefix wins") << QStringList{"0755", "07"} << "0755123456" << 0;
    QTest::newRow("shared length two") << QStringList{"0898", "0755", "07", "0"} << "0791123" << 2;
    QTest::newRow("partial share beats shorter") << QStringList{"0898", "0755", "0"} << "0791123" << 1;
    QTest::newRow("equal prefixes: last wins") << QStringList{"0755", "0755"} << "07551" << 1;
    QTest::newRow("number shorter than prefix") << QStringList{"123", "0"} << "12" << 0;
    QTest::newRow("same share: later entry") << QStringList{"0898", "0755"} << "0" << 1;
    QTest::newRow("no first character") << QStringList{"0898", "0755"} << "1234" << -1;
    QTest::newRow("empty number") << QStringList{"0898", "0"} << "" << -1;
    QTest::newRow("empty prefix never matches") << QStringList{"9", ""} << "123" << -1;
}

void TestRatingArithmetic::longestSharedPrefix()
{
    QFETCH(QStringList, prefixes);
    QFETCH(QString, number);
    QFETCH(int, chosen);
    PrefixIndex index;
    for (const QString& prefix : prefixes)
        index.add(prefix);
    QCOMPARE(index.find(number), chosen);
    index.clear();
    QCOMPARE(index.find(number), -1);
}

void TestRatingArithmetic::recordFields_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<QString>("startDate");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QString>("called");
    QTest::addColumn<int>("callType");

    QTest::newRow("1 h 5 min 7 s") << canonicalRecord("240105", "080000", "090507", "1234", "0755123456")
                                   << "2024-01-05" << 3907 << 10507 << "0755123456" << 1;
    QTest::newRow("3 h 30 min") << canonicalRecord("240105", "100000", "133000", "1234", "114")
                                << "2024-01-05" << 12600 << 33000 << "114" << 1;
    QTest::newRow("end before start adds a day")
        << canonicalRecord("241231", "235930", "000030", "1234", "8888") << "2024-12-31" << 60 << 100
        << "8888" << 1;
    QTest::newRow("number up to its dash")
        << canonicalRecord("240105", "080000", "080000", "1234", "0755-88-1", "012") << "2024-01-05" << 0 << 0
        << "0755" << 12;
    QTest::newRow("blank call type reads 0")
        << canonicalRecord("240105", "080000", "080205", "1234", "12", "   ") << "2024-01-05" << 125 << 205
        << "12" << 0;
}

void TestRatingArithmetic::recordFields()
{
    QFETCH(QString, record);
    QFETCH(QString, startDate);
    QFETCH(int, seconds);
    QFETCH(int, digits);
    QFETCH(QString, called);
    QFETCH(int, callType);
    const CallRecordFields fields = CallRecordFields::read(record);
    QCOMPARE(fields.start.date.toString(Qt::ISODate), startDate);
    QCOMPARE(fields.seconds, seconds);
    QCOMPARE(fields.durationDigits(), digits);
    QCOMPARE(fields.called, called);
    QCOMPARE(fields.callType, callType);
    QCOMPARE(fields.caller, QStringLiteral("1234"));
    QVERIFY(fields.moments);
}

void TestRatingArithmetic::shortOrMalformedRecordsDoNotCrash()
{
    const CallRecordFields empty = CallRecordFields::read(QString());
    QCOMPARE(empty.callType, -1);
    QVERIFY(empty.caller.isEmpty());
    QVERIFY(empty.called.isEmpty());
    QVERIFY(empty.start.date.isValid());
    QVERIFY(empty.seconds >= 0 && empty.seconds < 86400);

    // Month 13 and second 60 roll over the way calendar normalisation does.
    const CallRecordFields odd =
        CallRecordFields::read(canonicalRecord("241332", "235960", "000001", "1", "2"));
    QCOMPARE(odd.start.date, QDate(2025, 2, 2));
    QCOMPARE(odd.start.second, 0);
    QCOMPARE(odd.start.date.isValid(), true);
    QCOMPARE(odd.seconds, 1);
    QVERIFY(!odd.moments && !empty.moments);
}

void TestRatingArithmetic::billingUnits_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("units");
    QTest::newRow("59 s") << 59 << 60 << 1;
    QTest::newRow("60 s") << 60 << 60 << 1;
    QTest::newRow("61 s") << 61 << 60 << 2;
    QTest::newRow("0 s") << 0 << 60 << 0;
    QTest::newRow("6 s units") << 61 << 6 << 11;
}

void TestRatingArithmetic::billingUnits()
{
    QFETCH(int, seconds);
    QFETCH(int, unit);
    QFETCH(int, units);
    RateEntry entry{QStringLiteral("0"), 0.5f, QStringLiteral("长途"), qint16(unit), 2, 0.1f, 2};
    const CallPrice price = CallPrice::byRate(RateMatch::fromEntry(entry), seconds, 0.5f);
    QCOMPARE(price.units, units);
    QCOMPARE(price.effectiveRate, 0.25f);
    QCOMPARE(price.charge, float(price.units) * 0.25f);
    QCOMPARE(price.surcharge, float(price.units) * 0.1f); // the factor never touches the surcharge
}

void TestRatingArithmetic::unmatchedNumberAndBadUnit()
{
    const CallPrice none = CallPrice::byRate(RateMatch{}, 125, 1.0f);
    QCOMPARE(none.units, 3);
    QCOMPARE(none.charge, 0.0f);
    QCOMPARE(none.surcharge, 0.0f);
    QVERIFY(!RateMatch{}.tariffClass.has_value());

    for (qint16 unit : {qint16(0), qint16(-5)}) {
        const RateEntry entry{QStringLiteral("0"), 0.3f, {}, unit, 1, 0, 0};
        const RateMatch match = RateMatch::fromEntry(entry);
        QCOMPARE(match.unit, 60);
        QCOMPARE(CallPrice::byRate(match, 61, 1.0f).units, 2);
    }
}

void TestRatingArithmetic::discountFactor_data()
{
    QTest::addColumn<QList<TimeBand>>("bands");
    QTest::addColumn<QList<DayDiscount>>("weekday");
    QTest::addColumn<QList<DayDiscount>>("holiday");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<float>("factor");

    const QList<TimeBand> morning{band("000000", "080000", 1, 0.5f)};
    const QList<TimeBand> night{band("220000", "235959", 1, 0.5f), band("000000", "070000", 1, 0.5f)};
    const QList<DayDiscount> none;

    QTest::newRow("cut at band end") << morning << none << none << "240105"
                                     << "075900"
                                     << "080100" << 0.75f;
    QTest::newRow("inside band") << morning << none << none << "240105"
                                 << "060000"
                                 << "061000" << 0.5f;
    QTest::newRow("band inside call")
        << QList<TimeBand>{band("120000", "120100", 1, 0.0f)} << none << none << "240105"
        << "115900"
        << "120200" << float(120.0 / 180.0);
    QTest::newRow("other class never applies")
        << QList<TimeBand>{band("000000", "235959", 2, 0.5f)} << none << none << "240105"
        << "060000"
        << "061000" << 1.0f;
    QTest::newRow("wrapping band never applies")
        << QList<TimeBand>{band("220000", "070000", 1, 0.5f)} << none << none << "240105"
        << "230000"
        << "231000" << 1.0f;
    QTest::newRow("night band to the day's last second") << night << none << none << "240105"
                                                         << "235000"
                                                         << "235959" << 0.5f;
    QTest::newRow("night band, call leaves it") << night << none << none << "240105"
                                                << "065000"
                                                << "071000" << 0.75f;
    QTest::newRow("first matching band wins")
        << QList<TimeBand>{band("080000", "090000", 1, 0.8f), band("000000", "235959", 1, 0.2f)} << none
        << none << "240105"
        << "085900"
        << "090100" << float((60 * 0.8 + 60 * 0.2) / 120.0);
    QTest::newRow("holiday below weekday")
        << QList<TimeBand>{} << QList<DayDiscount>{{1, 0.8f}} << QList<DayDiscount>{{1, 0.6f}} << "240107"
        << "100000"
        << "101000" << 0.6f;
    QTest::newRow("multiplier above 1 never raises")
        << QList<TimeBand>{} << none << QList<DayDiscount>{{1, 1.2f}} << "240107"
        << "100000"
        << "101000" << 1.0f;
    QTest::newRow("first row of the class")
        << QList<TimeBand>{} << QList<DayDiscount>{{2, 0.1f}, {1, 0.9f}, {1, 0.2f}} << none << "240107"
        << "100000"
        << "101000" << 0.9f;
    // Band total 60 x 0.5 + 60 = 90 against the weekday's 120 x 0.7 = 84:
    // the whole part takes the cheaper total, discounts never mix.
    QTest::newRow("cheapest total per part") << morning << QList<DayDiscount>{{1, 0.7f}} << none << "240107"
                                             << "075900"
                                             << "080100" << 0.7f;
}

void TestRatingArithmetic::discountFactor()
{
    QFETCH(QList<TimeBand>, bands);
    QFETCH(QList<DayDiscount>, weekday);
    QFETCH(QList<DayDiscount>, holiday);
    QFETCH(QString, date);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(float, factor);
    const CallRecordFields call = CallRecordFields::read(canonicalRecord(date, start, end, "1000", "1"));
    DiscountCalculator c = calculator(bands, {call.start.date}, weekday, holiday);
    QVERIFY(qAbs(c.DiscountFactor(call.start, call.end, 1) - factor) < 1e-6f);
}

void TestRatingArithmetic::noClassOrNoSecondsMeansNoDiscount()
{
    DiscountCalculator c = calculator({band("000000", "235959", 1, 0.5f)}, {QDate(2024, 1, 5)});
    const CallMoment t = at("240105", "100000");
    QCOMPARE(c.DiscountFactor(t, t, 1), 1.0f);
    CallMoment later = t;
    later.second += 60;
    QCOMPARE(c.DiscountFactor(t, later, std::nullopt), 1.0f);
    QCOMPARE(c.DiscountFactor(t, later, 1), 0.5f);
}

void TestRatingArithmetic::twoTierTariff_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<float>("factor");
    QTest::addColumn<float>("charge");
    QTest::addColumn<float>("rate");
    QTest::addColumn<float>("surcharge");

    QTest::newRow("150 s") << 150 << 1.0f << 0.20f << 0.20f << 0.05f;
    QTest::newRow("180 s") << 180 << 1.0f << 0.20f << 0.20f << 0.05f;
    QTest::newRow("181 s") << 181 << 1.0f << 0.30f << 0.10f << 0.07f;
    QTest::newRow("300 s") << 300 << 1.0f << 0.40f << 0.10f << 0.09f;
    QTest::newRow("300 s at 0.5") << 300 << 0.5f << 0.20f << 0.05f << 0.09f;
    QTest::newRow("150 s at 0.5") << 150 << 0.5f << 0.10f << 0.20f << 0.05f;
    QTest::newRow("0 s pays the first block") << 0 << 1.0f << 0.20f << 0.20f << 0.05f;
}

void TestRatingArithmetic::twoTierTariff()
{
    QFETCH(int, seconds);
    QFETCH(float, factor);
    QFETCH(float, charge);
    QFETCH(float, rate);
    QFETCH(float, surcharge);
    Rate31Table table;
    table.setSlot({3, 180, 0.20f, 0.05f, 60, 0.10f, 0.02f});
    CallPrice price; // what the rate entry gave; replaced entirely
    price.charge = 99;
    price.surcharge = 99;
    price.units = 7;
    QVERIFY(table.ApplyRate31(3, seconds, factor, price));
    QVERIFY(qAbs(price.charge - charge) < 1e-6f);
    QVERIFY(qAbs(price.effectiveRate - rate) < 1e-6f);
    QVERIFY(qAbs(price.surcharge - surcharge) < 1e-6f);
    QCOMPARE(price.units, 7); // units stay those of the rate entry
}

void TestRatingArithmetic::twoTierSlotsStayInRange()
{
    Rate31Table table;
    table.setSlot({50, 180, 0.2f, 0, 60, 0.1f, 0});
    table.setSlot({-1, 180, 0.2f, 0, 60, 0.1f, 0});
    table.setSlot({4, 180, 0.2f, 0, 0, 0.1f, 0}); // no following block length
    CallPrice price;
    for (int k : {50, -1, 4, 1000})
        QVERIFY(!table.present(k));
    QVERIFY(!table.present(std::nullopt));
    QVERIFY(!table.ApplyRate31(50, 300, 1.0f, price));
    QVERIFY(!table.ApplyRate31(std::nullopt, 300, 1.0f, price));
    QCOMPARE(price.charge, 0.0f);
}

QTEST_GUILESS_MAIN(TestRatingArithmetic)
#include "tst_rating_arithmetic.moc"
