#include "format/Money.h"

#include <QTest>
#include <cmath>
#include <limits>

using namespace qalor;

Q_DECLARE_METATYPE(qalor::Money)

class TestMoney : public QObject
{
    Q_OBJECT
private slots:
    // A stored amount becomes the cents its text shows, from the number
    // itself: singles just either side of a half cent go their own way.
    void fromStored_data()
    {
        QTest::addColumn<double>("stored");
        QTest::addColumn<qint64>("cents");
        QTest::newRow("x.xx5 as a single lies above the half") << double(4.505f) << qint64(451);
        QTest::newRow("0.335 as a single") << double(0.335f) << qint64(34);
        QTest::newRow("an exact half cent rounds away from zero") << double(0.125f) << qint64(13);
        QTest::newRow("the single just below a half cent")
            << double(std::nextafter(0.125f, 0.0f)) << qint64(12);
        QTest::newRow("the single just above a half cent")
            << double(std::nextafter(0.125f, 1.0f)) << qint64(13);
        QTest::newRow("a double just below a half cent") << 2.675 << qint64(267);
        QTest::newRow("a double sum just above a half cent") << 32.135000228881836 << qint64(3214);
        QTest::newRow("0.999 is a whole yuan") << double(0.999f) << qint64(100);
        QTest::newRow("a single cent counts") << double(0.01f) << qint64(1);
        QTest::newRow("below a cent is nothing") << double(0.0099f) << qint64(0);
        QTest::newRow("seven thousandths is shown as nothing") << double(0.007f) << qint64(0);
        QTest::newRow("negative is nothing") << -3.0 << qint64(0);
        QTest::newRow("not a number is nothing") << std::numeric_limits<double>::quiet_NaN() << qint64(0);
        QTest::newRow("a department's month") << double(96822.44f) << qint64(9682244);
        QTest::newRow("a large double keeps its cents") << 250000.01 << qint64(25000001);
    }
    void fromStored()
    {
        QFETCH(double, stored);
        QFETCH(qint64, cents);
        QCOMPARE(Money::fromStored(stored).cents(), cents);
        // The text of a stored amount is the text of its cents.
        QCOMPARE(FormatMoney(float(stored)), Money::fromStored(float(stored)).text());
    }

    void text_data()
    {
        QTest::addColumn<qint64>("cents");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << QStringLiteral("0.00");
        QTest::newRow("five cents") << qint64(5) << QStringLiteral("0.05");
        QTest::newRow("a dime") << qint64(10) << QStringLiteral("0.10");
        QTest::newRow("thousands") << qint64(123456) << QStringLiteral("1234.56");
        QTest::newRow("ten million") << qint64(1000000000) << QStringLiteral("10000000.00");
    }
    void text()
    {
        QFETCH(qint64, cents);
        QFETCH(QString, text);
        QCOMPARE(Money::fromCents(cents).text(), text);
        // Written to a money column and read back, the amount is unchanged.
        QCOMPARE(Money::fromStored(Money::fromCents(cents).toDouble()).cents(), cents);
    }

    // Every stored single that a cents value is written as reads back as the
    // same cents, up to the largest amount a single holds to the cent.
    void centsSurviveASingleColumn()
    {
        for (qint64 cents = 1; cents < 13107200; cents += 997) {
            const float stored = float(Money::fromCents(cents).toDouble());
            QCOMPARE(Money::fromStored(stored).cents(), cents);
        }
    }

    void sumsAreTheShownCents()
    {
        // Three calls of 0.335 print as 0.34 each; their total is 1.02, not
        // the 1.00 of the single-precision sum (1.00499995).
        Money total;
        for (int i = 0; i < 3; ++i)
            total += Money::fromStored(0.335f);
        QCOMPARE(total.text(), QStringLiteral("1.02"));
        QCOMPARE(FormatMoney(0.335f + 0.335f + 0.335f), QStringLiteral("1.00"));
    }

    // A fee is the shown amount times the ratio as typed, rounded once.
    void times_data()
    {
        QTest::addColumn<qint64>("cents");
        QTest::addColumn<float>("ratio");
        QTest::addColumn<qint64>("fee");
        QTest::newRow("service 0.15 on 4.50") << qint64(450) << 0.15f << qint64(68);
        QTest::newRow("0.35 reckoned as typed, not as the single below it")
            << qint64(1000) << 0.35f << qint64(350);
        QTest::newRow("0.35 on 0.10 is an exact half cent") << qint64(10) << 0.35f << qint64(4);
        QTest::newRow("management 0.125 on 1316.99") << qint64(131699) << 0.125f << qint64(16462);
        QTest::newRow("management 0.125 on 0.04, an exact half") << qint64(4) << 0.125f << qint64(1);
        QTest::newRow("no ratio") << qint64(450) << 0.0f << qint64(0);
        QTest::newRow("whole ratio") << qint64(450) << 1.0f << qint64(450);
        QTest::newRow("not a number") << qint64(450) << std::numeric_limits<float>::quiet_NaN() << qint64(0);
    }
    void times()
    {
        QFETCH(qint64, cents);
        QFETCH(float, ratio);
        QFETCH(qint64, fee);
        QCOMPARE(Money::fromCents(cents).times(ratio).cents(), fee);
    }

    void parameterTexts_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("shortest");
        QTest::addColumn<QString>("ratio");
        QTest::newRow("0.15") << 0.15f << QStringLiteral("0.15") << QStringLiteral("0.15");
        QTest::newRow("0.125") << 0.125f << QStringLiteral("0.125") << QStringLiteral("0.125");
        QTest::newRow("0.1") << 0.1f << QStringLiteral("0.1") << QStringLiteral("0.10");
        QTest::newRow("whole") << 1.0f << QStringLiteral("1") << QStringLiteral("1.00");
        QTest::newRow("a rate keeps its digits")
            << 131.194f << QStringLiteral("131.194") << QStringLiteral("131.194");
    }
    void parameterTexts()
    {
        QFETCH(float, value);
        QFETCH(QString, shortest);
        QFETCH(QString, ratio);
        QCOMPARE(ShortestText(value), shortest);
        QCOMPARE(ShortestText(double(value)).toFloat(), value);
        QCOMPARE(RatioText(value), ratio);
    }
};

QTEST_APPLESS_MAIN(TestMoney)
#include "tst_money.moc"
