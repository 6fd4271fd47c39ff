#include "format/TextFormat.h"

#include <QTest>

using namespace qalor;

class TestTextFormat : public QObject
{
    Q_OBJECT
private slots:
    void money_data()
    {
        QTest::addColumn<float>("amount");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0f << QStringLiteral("0.00");
        QTest::newRow("exactly a cent") << 0.01f << QStringLiteral("0.01");
        QTest::newRow("just below a cent") << 0.0099f << QStringLiteral("0.00");
        QTest::newRow("a dime") << 0.1f << QStringLiteral("0.10");
        QTest::newRow("rounded before written") << 0.0996f << QStringLiteral("0.10");
        QTest::newRow("whole") << 1.0f << QStringLiteral("1.00");
        QTest::newRow("thousands") << 1234.5f << QStringLiteral("1234.50");
        QTest::newRow("four thousandths") << 0.004f << QStringLiteral("0.00");
        QTest::newRow("five cents") << 0.05f << QStringLiteral("0.05");
        QTest::newRow("half") << 0.5f << QStringLiteral("0.50");
        QTest::newRow("rounds up to the next yuan") << 0.999f << QStringLiteral("1.00");
        QTest::newRow("one decimal") << 12.5f << QStringLiteral("12.50");
        QTest::newRow("ten and a half") << 10.5f << QStringLiteral("10.50");
        QTest::newRow("negative") << -3.0f << QStringLiteral("0.00");
        QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << QStringLiteral("0.00");
    }
    void money()
    {
        QFETCH(float, amount);
        QFETCH(QString, text);
        QCOMPARE(FormatMoney(amount), text);
    }

    void whole_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero is blank") << 0.0f << QString();
        QTest::newRow("below a half is blank") << 0.49f << QString();
        QTest::newRow("a half rounds up") << 0.5f << QStringLiteral("1");
        QTest::newRow("rounded, no point") << 65.4f << QStringLiteral("65");
        QTest::newRow("rounded up") << 125.5f << QStringLiteral("126");
        QTest::newRow("negative is blank") << -2.0f << QString();
    }
    void whole()
    {
        QFETCH(float, value);
        QFETCH(QString, text);
        QCOMPARE(FormatWhole(value), text);
        // Its column is blanks only when the value is blank.
        QCOMPARE(PadField(FormatWhole(value), 6, true).trimmed(), text);
    }

    void padCountsChineseAsTwoBytes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("right");
        QTest::addColumn<QString>("padded");
        QTest::newRow("right") << QStringLiteral("123") << 5 << true << QStringLiteral("  123");
        QTest::newRow("left") << QStringLiteral("123") << 5 << false << QStringLiteral("123  ");
        QTest::newRow("never cut") << QStringLiteral("123456789012") << 10 << true << QStringLiteral("123456789012");
        QTest::newRow("chinese") << QStringLiteral("市话") << 10 << true << QStringLiteral("      市话");
        QTest::newRow("mixed") << QStringLiteral("A区") << 4 << false << QStringLiteral("A区 ");
        QTest::newRow("four-character name is eight bytes") << QStringLiteral("张三丰子") << 8 << false
                                                             << QStringLiteral("张三丰子");
        QTest::newRow("four-character name to nine") << QStringLiteral("张三丰子") << 9 << true
                                                     << QStringLiteral(" 张三丰子");
        QTest::newRow("chinese already wide") << QStringLiteral("移动电话") << 7 << true << QStringLiteral("移动电话");
    }
    void padCountsChineseAsTwoBytes()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(bool, right);
        QFETCH(QString, padded);
        QCOMPARE(PadField(text, width, right), padded);
    }
};

QTEST_GUILESS_MAIN(TestTextFormat)
#include "tst_textformat.moc"
