#include "CanonicalRecord.h"
#include "RecordingPrompt.h"
#include "TestDatabase.h"

#include "db/CDatabase.h"
#include "rating/CCallRater.h"
#include "rating/RefusedCalls.h"
#include "intake/LineJournal.h"

#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace qalor;
using qalor::test::canonicalRecord;
using qalor::test::RecordingPrompt;
using qalor::test::TestDatabase;

namespace {

const QString Friday = QStringLiteral("240105");
const QString Sunday = QStringLiteral("240107");
const QString Monday = QStringLiteral("240108");

// A CDR line in the default layout: trace, call type, record code, date
// block, start, end, caller, class of service, trunk group, dialled number.
QString cdrLine(const QString& trace, const QString& cos, const QString& trunk)
{
    return trace + QStringLiteral(" 001 01 240105 000000 080000 080207 1234 ") + cos + QLatin1Char(' ') +
           trunk + QLatin1Char(' ') + QStringLiteral("0755123456").leftJustified(18) +
           QStringLiteral(" \r\n");
}

QString record(const QString& date, const QString& start, const QString& end, const QString& called,
               const QString& callType = QStringLiteral("001"))
{
    return canonicalRecord(date, start, end, QStringLiteral("1234"), called, callType);
}

} // namespace

class TestRatingEngine : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void storedRowHasEveryColumn();
    void lookupByLongestSharedPrefix_data();
    void lookupByLongestSharedPrefix();
    void unmatchedNumberCarriesNothingOver();
    void failedRateLoadWaitsForReload();
    void callTypeFilter();
    void impossibleDateOrTimeIsNotStored_data();
    void impossibleDateOrTimeIsNotStored();
    void callTypeTableOfThirteenRows();
    void parserFiltersByClassAndTrunkGroup();
    void flagsOfOneOrMoreBill_data();
    void flagsOfOneOrMoreBill();
    void emptyTrunkGroupTableRejectsFirstRecordOnly();
    void discountsFromTables_data();
    void discountsFromTables();
    void discountCachesFollowTheDate();
    void twoTierClassWithDiscount();
    void missingTwoTierTableStopsOnlyFirstCall();
    void hotelAccrual();
    void noOpenStay();
    void unreadableTimeBandsAreReportedOnce();
    void refusedRowIsStoredOnceSourceIsBack();
    void pendingCallsPricedAtNextStart();
    void refusedRecordIsSetAsideAndTheRestStored();
    void refusedRowInsideBatchIsLeftToTheBatch();

private:
    void rate(const QString& prefix, double price, const QString& area, int unit, int tariffClass,
              double surcharge, int countType);
    double number(const QString& sql) const { return m_db->scalar(sql).toDouble(); }
    int rows() const { return m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")).toInt(); }

    std::unique_ptr<QTemporaryDir> m_dataDir;
    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<RecordingPrompt> m_prompt;
};

void TestRatingEngine::init()
{
    m_dataDir = std::make_unique<QTemporaryDir>();
    qputenv("QALOR_DATA_DIR", m_dataDir->path().toUtf8());
    m_db = std::make_unique<TestDatabase>();
    m_prompt = std::make_unique<RecordingPrompt>();
}

void TestRatingEngine::cleanup()
{
    m_prompt.reset();
    m_db.reset();
    m_dataDir.reset();
}

void TestRatingEngine::rate(const QString& prefix, double price, const QString& area, int unit,
                            int tariffClass, double surcharge, int countType)
{
    m_db->execute(QStringLiteral("INSERT INTO 费率表 (区号,费率,地区,计费单位,折扣类型,附加费费率,统计类型) "
                                 "VALUES ('%1',%2,'%3',%4,%5,%6,%7)")
                      .arg(prefix)
                      .arg(price)
                      .arg(area)
                      .arg(unit)
                      .arg(tariffClass)
                      .arg(surcharge)
                      .arg(countType));
}

void TestRatingEngine::storedRowHasEveryColumn()
{
    rate(QStringLiteral("0755"), 0.3, QStringLiteral("深圳"), 60, 1, 0.1, 2);
    CCallRater engine;
    QCOMPARE(engine.cdrLineLength(), 73);
    QCOMPARE(engine.PriceAndStore(canonicalRecord(Friday, "080000", "090507", "1234", "0755123456  ")), 1);

    const QStringList row = m_db->column(
        QStringLiteral("SELECT 主叫号 || '|' || 被叫号 || '|' || 日期 || '|' || 时间 || '|' || 通达地 "
                       "|| '|' || 统计类型 FROM 话费表"));
    QCOMPARE(row, QStringList{QStringLiteral("1234|0755123456|240105|080000|深圳|2")});
    QCOMPARE(number(QStringLiteral("SELECT 时长 FROM 话费表")), 10507.0);
    QCOMPARE(number(QStringLiteral("SELECT 计费单位数 FROM 话费表")), 66.0);
    QCOMPARE(float(number(QStringLiteral("SELECT 费率 FROM 话费表"))), 0.3f);
    QCOMPARE(float(number(QStringLiteral("SELECT 通话费 FROM 话费表"))), 66 * 0.3f);
    QCOMPARE(number(QStringLiteral("SELECT 服务费 FROM 话费表")), 0.0);
    QCOMPARE(float(number(QStringLiteral("SELECT 附加费 FROM 话费表"))), 66 * 0.1f);

    const PricedCall& call = engine.lastCall();
    QCOMPARE(call.caller, QStringLiteral("1234"));
    QCOMPARE(call.called, QStringLiteral("0755123456"));
    QCOMPARE(call.start.toDateTime(), QDateTime(QDate(2024, 1, 5), QTime(8, 0)));
    QCOMPARE(call.seconds, 3907);
    QCOMPARE(call.area, QStringLiteral("深圳"));
    QCOMPARE(m_prompt->texts, QStringList{});
}

void TestRatingEngine::lookupByLongestSharedPrefix_data()
{
    QTest::addColumn<QString>("called");
    QTest::addColumn<QString>("area");
    QTest::newRow("0755 over 07") << "0755123456"
                                  << "深圳3";
    QTest::newRow("07 shares two") << "0791123"
                                   << "07";
    QTest::newRow("0898") << "089812"
                          << "海南";
    QTest::newRow("only the first digit") << "0111"
                                          << "0";
    QTest::newRow("shorter than prefix") << "075"
                                         << "深圳3";
}

void TestRatingEngine::lookupByLongestSharedPrefix()
{
    QFETCH(QString, called);
    QFETCH(QString, area);
    // Inserted out of order: the engine's own sort decides.
    rate(QStringLiteral("07"), 0.2, QStringLiteral("07"), 60, 0, 0, 0);
    rate(QStringLiteral("0755"), 0.3, QStringLiteral("深圳3"), 60, 3, 0, 0);
    rate(QStringLiteral("0"), 0.1, QStringLiteral("0"), 60, 0, 0, 0);
    rate(QStringLiteral("0898"), 0.4, QStringLiteral("海南"), 60, 0, 0, 0);
    rate(QStringLiteral("0755"), 0.3, QStringLiteral("深圳1"), 60, 1, 0, 0);
    CCallRater engine;
    QCOMPARE(engine.PriceAndStore(record(Friday, "080000", "080100", called)), 1);
    QCOMPARE(engine.lastCall().area, area);
}

void TestRatingEngine::unmatchedNumberCarriesNothingOver()
{
    rate(QStringLiteral("0755"), 0.3, QStringLiteral("深圳"), 6, 1, 0.1, 2);
    m_db->execute(QStringLiteral("INSERT INTO 分时折扣率表 VALUES (1,'000000','235959',0.5)"));
    CCallRater engine;
    QCOMPARE(engine.PriceAndStore(record(Friday, "080000", "080100", "0755123")), 1);
    QCOMPARE(engine.lastCall().units, 10);
    QCOMPARE(engine.lastCall().discountFactor, 0.5f);

    QCOMPARE(engine.PriceAndStore(record(Friday, "090000", "090100", "99999")), 1);
    const PricedCall& call = engine.lastCall();
    QCOMPARE(call.units, 1); // a 60-second unit, not the 6 seconds of the last match
    QCOMPARE(call.discountFactor, 1.0f);
    QCOMPARE(call.charge, 0.0f);
    QCOMPARE(call.surcharge, 0.0f);
    QCOMPARE(call.area, QString());
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT 统计类型 FROM 话费表 WHERE 时间='090000'")),
             QStringLiteral("0"));
    // The unmatched call's area is an empty text, not NULL: a report that
    // groups or compares by area finds it.
    QCOMPARE(m_db->column(QStringLiteral("SELECT 时间 FROM 话费表 WHERE 通达地=''")), QStringList{"090000"});
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表 WHERE 通达地 IS NULL")), QStringLiteral("0"));
}

void TestRatingEngine::failedRateLoadWaitsForReload()
{
    m_db->execute(QStringLiteral("DROP TABLE 费率表"));
    CCallRater engine;
    QCOMPARE(engine.PriceAndStore(record(Friday, "080000", "080100", "0755")), 1);
    const QStringList expected{
        QStringLiteral("打开费率表失败,程序不能正常运行."),
        QStringLiteral("Failure Of Loading Rate Table!/n Please Check Rate Table , then Restart Program. ")};
    QCOMPARE(m_prompt->texts, expected);
    QCOMPARE(engine.lastCall().charge, 0.0f);

    // Repairing the table is not enough: the failed load is not retried.
    m_db->execute(
        QStringLiteral("CREATE TABLE 费率表 (区号 VARCHAR(255), 费率 REAL, 地区 VARCHAR(255), 计费单位 "
                       "SMALLINT, 折扣类型 SMALLINT, 附加费费率 REAL, 统计类型 SMALLINT)"));
    rate(QStringLiteral("0755"), 0.5, QStringLiteral("深圳"), 60, 1, 0, 0);
    QCOMPARE(engine.PriceAndStore(record(Friday, "081000", "081100", "0755")), 1);
    QCOMPARE(engine.lastCall().charge, 0.0f);
    QCOMPARE(m_prompt->texts, expected);

    QVERIFY(engine.LoadRates()); // the rate editor closed with OK
    QCOMPARE(engine.PriceAndStore(record(Friday, "082000", "082100", "0755")), 1);
    QCOMPARE(engine.lastCall().charge, 0.5f);

    m_db->execute(QStringLiteral("DELETE FROM 费率表"));
    m_prompt->texts.clear();
    QVERIFY(!engine.LoadRates());
    QCOMPARE(m_prompt->texts, QStringList{QStringLiteral("No Records In Rate Table!")});
    QCOMPARE(engine.rates().entries().size(), 0);
}

void TestRatingEngine::callTypeFilter()
{
    rate(QStringLiteral("0"), 0.1, QStringLiteral("x"), 60, 0, 0, 0);
    m_db->execute(QStringLiteral("UPDATE 呼叫类型表 SET 计费否=0 WHERE 呼叫类型=3"));
    CCallRater engine;
    QCOMPARE(engine.PriceAndStore(record(Friday, "080000", "080100", "0", "003")), 0);
    QCOMPARE(engine.PriceAndStore(record(Friday, "080000", "080100", "0", "002")), 1);
    QCOMPARE(engine.PriceAndStore(record(Friday, "080000", "080100", "0", "012")), 1); // outside 0-11
    QCOMPARE(engine.PriceAndStore(record(Friday, "080000", "080100", "0", "   ")), 1); // reads 0
    QCOMPARE(rows(), 3);
    QVERIFY(!engine.lastAppendFailed());

    // The editor clears the mark: the next call sees the new flags.
    m_db->execute(QStringLiteral("UPDATE 呼叫类型表 SET 计费否=1 WHERE 呼叫类型=3"));
    QCOMPARE(engine.PriceAndStore(record(Friday, "080000", "080100", "0", "003")), 0);
    engine.clearCallTypesMark();
    QCOMPARE(engine.PriceAndStore(record(Friday, "080000", "080100", "0", "003")), 1);
}

void TestRatingEngine::impossibleDateOrTimeIsNotStored_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::newRow("letters in the date") << "24AB05"
                                         << "080000"
                                         << "080100";
    QTest::newRow("blank day") << "2401  "
                               << "080000"
                               << "080100";
    QTest::newRow("month 13") << "241305"
                              << "080000"
                              << "080100";
    QTest::newRow("30 February") << "240230"
                                 << "080000"
                                 << "080100";
    QTest::newRow("hour 24") << Friday << "240000"
                             << "000100";
    QTest::newRow("second 60") << Friday << "080060"
                               << "080100";
    QTest::newRow("garbage end") << Friday << "080000"
                                 << "08:01:";
}

void TestRatingEngine::impossibleDateOrTimeIsNotStored()
{
    QFETCH(QString, date);
    QFETCH(QString, start);
    QFETCH(QString, end);
    rate(QStringLiteral("0"), 0.1, QStringLiteral("x"), 60, 0, 0, 0);
    CCallRater engine;
    // A record the layout let through can still carry a date or time that
    // never was: it is reported and not stored under some other moment.
    QCOMPARE(engine.PriceAndStore(record(date, start, end, "0755")), 0);
    QVERIFY(!engine.lastAppendFailed());
    QCOMPARE(rows(), 0);
    QCOMPARE(engine.pendingCallCount(), 0);
    QCOMPARE(m_prompt->texts.size(), 1);
    QVERIFY(m_prompt->texts.first().contains(date));

    // The next sound record is priced as usual; 29 February exists in 2024.
    QCOMPARE(engine.PriceAndStore(record(QStringLiteral("240229"), "235959", "000000", "0755")), 1);
    QCOMPARE(m_db->column(QStringLiteral("SELECT 日期 FROM 话费表")), QStringList{QStringLiteral("240229")});
}

void TestRatingEngine::callTypeTableOfThirteenRows()
{
    rate(QStringLiteral("0"), 0.1, QStringLiteral("x"), 60, 0, 0, 0);
    m_db->execute(QStringLiteral("UPDATE 呼叫类型表 SET 计费否=0 WHERE 呼叫类型=3"));
    m_db->execute(QStringLiteral("INSERT INTO 呼叫类型表 VALUES (99,0,'多余')"));
    CCallRater engine;
    QCOMPARE(engine.PriceAndStore(record(Friday, "080000", "080100", "0", "001")), 0);
    QCOMPARE(m_prompt->texts,
             (QStringList{QStringLiteral("呼叫类型表定义错误,类型数量不为12,程序无法正常运行."),
                          QStringLiteral("Falt When Loading calltype set.")}));
    // Later calls are priced with every call type billable, type 3 included.
    QCOMPARE(engine.PriceAndStore(record(Friday, "080000", "080100", "0", "003")), 1);
    QCOMPARE(rows(), 1);
    QCOMPARE(m_prompt->texts.size(), 2);

    // A row whose code lies outside the table is left out, not written anywhere.
    m_db->execute(QStringLiteral("DELETE FROM 呼叫类型表 WHERE 呼叫类型 IN (3,4)"));
    engine.clearCallTypesMark();
    QCOMPARE(engine.PriceAndStore(record(Friday, "080000", "080100", "0", "099")), 1);
}

void TestRatingEngine::parserFiltersByClassAndTrunkGroup()
{
    m_db->execute(QStringLiteral("UPDATE 服务级别计费表 SET 计费否=0 WHERE 服务级别=7"));
    m_db->execute(QStringLiteral("UPDATE 中继组 SET 计费否=0 WHERE 中继组号=5"));
    m_db->execute(QStringLiteral("INSERT INTO 服务级别计费表 VALUES (300,0)"));
    CCallRater engine;
    QString canonical;
    QCOMPARE(engine.preproccdr(cdrLine("0000", "007", "01"), canonical), 0);
    QCOMPARE(engine.preproccdr(cdrLine("0001", "007", "01"), canonical), 1); // traced passes
    QCOMPARE(engine.preproccdr(cdrLine("0000", "008", "05"), canonical), 0);
    QCOMPARE(engine.preproccdr(cdrLine("0000", "008", "01"), canonical), 1);
    QCOMPARE(canonical.mid(40, 4), QStringLiteral("1234"));
    QCOMPARE(canonical.mid(45, 10), QStringLiteral("0755123456"));
    // Codes outside the tables, an empty field included, are billable.
    QCOMPARE(engine.preproccdr(cdrLine("0000", "300", "99"), canonical), 1);
    QCOMPARE(engine.preproccdr(cdrLine("0000", "   ", "  "), canonical), 1);
    QVERIFY(engine.callerCosBillable(-1) && engine.callerCosBillable(256) && engine.trunkGroupBillable(64));
    QCOMPARE(m_prompt->texts, QStringList{});
}

// A call is billed when every flag that applies to it is 1 or more: a flag
// typed as 2 or 255 bills like 1, a negative one stops the call like 0.
void TestRatingEngine::flagsOfOneOrMoreBill_data()
{
    QTest::addColumn<int>("flag");
    QTest::addColumn<bool>("billed");
    QTest::newRow("0") << 0 << false;
    QTest::newRow("1") << 1 << true;
    QTest::newRow("2") << 2 << true;
    QTest::newRow("255") << 255 << true;
    QTest::newRow("-1") << -1 << false;
}

void TestRatingEngine::flagsOfOneOrMoreBill()
{
    QFETCH(int, flag);
    QFETCH(bool, billed);
    rate(QStringLiteral("0"), 0.1, QStringLiteral("x"), 60, 0, 0, 0);
    m_db->execute(QStringLiteral("UPDATE 呼叫类型表 SET 计费否=%1 WHERE 呼叫类型=3").arg(flag));
    m_db->execute(QStringLiteral("UPDATE 服务级别计费表 SET 计费否=%1 WHERE 服务级别=7").arg(flag));
    m_db->execute(QStringLiteral("UPDATE 中继组 SET 计费否=%1 WHERE 中继组号=5").arg(flag));
    CCallRater engine;
    QString canonical;
    QCOMPARE(engine.preproccdr(cdrLine("0000", "007", "01"), canonical), billed ? 1 : 0);
    QCOMPARE(engine.preproccdr(cdrLine("0000", "008", "05"), canonical), billed ? 1 : 0);
    QCOMPARE(engine.PriceAndStore(record(Friday, "080000", "080100", "0", "003")), billed ? 1 : 0);
    QCOMPARE(rows(), billed ? 1 : 0);
    // The other codes are billed whatever these flags hold.
    QCOMPARE(engine.preproccdr(cdrLine("0000", "008", "01"), canonical), 1);
    QCOMPARE(m_prompt->texts, QStringList{});
}

void TestRatingEngine::emptyTrunkGroupTableRejectsFirstRecordOnly()
{
    m_db->execute(QStringLiteral("DELETE FROM 中继组"));
    m_db->execute(QStringLiteral("DELETE FROM 服务级别计费表"));
    CCallRater engine;
    QString canonical;
    QCOMPARE(engine.preproccdr(cdrLine("0000", "007", "01"), canonical), 0);
    QCOMPARE(m_prompt->texts, (QStringList{QStringLiteral("No records in callercos table."),
                                           QStringLiteral("No records in 中继组表 table.")}));
    QCOMPARE(engine.preproccdr(cdrLine("0000", "007", "01"), canonical), 1);
    QCOMPARE(m_prompt->texts.size(), 2);

    // A missing table is one message and is not retried until the editor clears the mark.
    m_db->execute(QStringLiteral("DROP TABLE 中继组"));
    engine.clearTrunkGroupsMark();
    QCOMPARE(engine.preproccdr(cdrLine("0000", "007", "01"), canonical), 0);
    QCOMPARE(m_prompt->texts.last(), QStringLiteral("FALT OPEN '中继组表' table!"));
    QCOMPARE(engine.preproccdr(cdrLine("0000", "007", "01"), canonical), 1);
    QCOMPARE(m_prompt->texts.size(), 3);
}

void TestRatingEngine::discountsFromTables_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<float>("factor");

    const QStringList night{"INSERT INTO 分时折扣率表 VALUES (1,'220000','235959',0.5)",
                            "INSERT INTO 分时折扣率表 VALUES (1,'000000','070000',0.5)"};
    QTest::newRow("no rows over midnight") << QStringList{} << Friday << "235900"
                                           << "000100" << 1.0f;
    QTest::newRow("band cut at 08:00:00")
        << QStringList{"INSERT INTO 分时折扣率表 VALUES (1,'000000','080000',0.5)"} << Friday << "075900"
        << "080100" << 0.75f;
    QTest::newRow("night band over midnight") << night << Friday << "235000"
                                              << "001000" << 0.5f;
    // 23:50 on Sunday 31 Dec to 00:10 on the holiday 1 Jan: the first part
    // takes the band (300 of 600), the second the holiday (180 of 600).
    QTest::newRow("into a holiday at night")
        << (night + QStringList{"INSERT INTO 节假日折扣率表 VALUES (1,'240101',0.3)"}) << "231231"
        << "235000"
        << "001000" << 0.4f;
    QTest::newRow("weekday row on Sunday, holiday cheaper")
        << QStringList{"INSERT INTO 星期折扣率表 VALUES (1,1,0.8)",
                       "INSERT INTO 节假日折扣率表 VALUES (1,'240107',0.6)"}
        << Sunday << "100000"
        << "101000" << 0.6f;
    QTest::newRow("zero seconds") << QStringList{"INSERT INTO 星期折扣率表 VALUES (1,1,0.8)"} << Sunday
                                  << "100000"
                                  << "100000" << 1.0f;
}

void TestRatingEngine::discountsFromTables()
{
    QFETCH(QStringList, rows);
    QFETCH(QString, date);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(float, factor);
    rate(QStringLiteral("0"), 1.0, QStringLiteral("x"), 1, 1, 0, 0);
    for (const QString& sql : rows)
        m_db->execute(sql);
    CCallRater engine;
    QCOMPARE(engine.PriceAndStore(record(date, start, end, "0")), 1);
    QVERIFY2(qAbs(engine.lastCall().discountFactor - factor) < 1e-6f,
             qPrintable(QString::number(engine.lastCall().discountFactor)));
    QVERIFY(qAbs(float(number(QStringLiteral("SELECT 费率 FROM 话费表"))) - factor) < 1e-6f);
    QCOMPARE(m_prompt->texts, QStringList{});
}

void TestRatingEngine::discountCachesFollowTheDate()
{
    rate(QStringLiteral("0"), 1.0, QStringLiteral("x"), 1, 1, 0, 0);
    m_db->execute(QStringLiteral("INSERT INTO 星期折扣率表 VALUES (1,1,0.8)"));
    CCallRater engine;
    auto factorOn = [&](const QString& date) {
        engine.PriceAndStore(record(date, "100000", "101000", "0"));
        return engine.lastCall().discountFactor;
    };
    QCOMPARE(factorOn(Sunday), 0.8f);
    QCOMPARE(factorOn(Monday), 1.0f);

    // Rows added for the cached day apply once the day changes or the editor reloads.
    m_db->execute(QStringLiteral("INSERT INTO 星期折扣率表 VALUES (2,1,0.5)"));
    m_db->execute(QStringLiteral("INSERT INTO 节假日折扣率表 VALUES (1,'240108',0.4)"));
    QCOMPARE(factorOn(Monday), 1.0f);
    QVERIFY(engine.LoadWeekdayDiscounts(2));
    QCOMPARE(factorOn(Monday), 0.5f);
    QVERIFY(engine.LoadHolidayDiscounts(QDateTime(QDate(2024, 1, 8), QTime(9, 0))));
    QCOMPARE(factorOn(Monday), 0.4f);
    QCOMPARE(factorOn(Sunday), 0.8f);

    // Time bands are read again after the editor clears their mark.
    m_db->execute(QStringLiteral("INSERT INTO 分时折扣率表 VALUES (1,'000000','235959',0.25)"));
    QCOMPARE(factorOn(Sunday), 0.8f);
    engine.clearTimeDiscountsMark();
    QCOMPARE(factorOn(Sunday), 0.25f);

    // A weekday table that cannot be opened counts in full and is tried again
    // only on another day.
    m_db->execute(QStringLiteral("DROP TABLE 星期折扣率表"));
    m_db->execute(QStringLiteral("DELETE FROM 分时折扣率表"));
    engine.clearTimeDiscountsMark();
    QCOMPARE(factorOn(Monday), 0.4f);
    QCOMPARE(m_prompt->texts, QStringList{QStringLiteral("打开星期折扣表失败,程序无法按星期对费率打折.")});
    QCOMPARE(factorOn(Monday), 0.4f);
    QCOMPARE(m_prompt->texts.size(), 1);
}

void TestRatingEngine::twoTierClassWithDiscount()
{
    rate(QStringLiteral("0"), 1.0, QStringLiteral("长途"), 60, 5, 0.5, 2);
    m_db->execute(QStringLiteral(
        "INSERT INTO rate31 (区号,地区,折扣类型,统计类型,费率2,附加费率2,附加费率1,费率1,时长1,"
        "时长2) VALUES ('0','x',5,2,0.1,0.02,0.05,0.2,180,60)"));
    m_db->execute(QStringLiteral(
        "INSERT INTO rate31 (区号,地区,折扣类型,统计类型,费率2,附加费率2,附加费率1,费率1,时长1,"
        "时长2) VALUES ('0','x',60,2,9,9,9,9,180,60)"));
    m_db->execute(QStringLiteral(
        "INSERT INTO rate31 (区号,地区,折扣类型,统计类型,费率2,附加费率2,附加费率1,费率1,时长1,"
        "时长2) VALUES ('0','x',6,2,9,9,9,9,180,0)"));
    m_db->execute(QStringLiteral("INSERT INTO 星期折扣率表 VALUES (1,5,0.5)"));
    CCallRater engine;
    QCOMPARE(engine.PriceAndStore(record(Sunday, "100000", "100500", "0")), 1);
    const PricedCall& call = engine.lastCall();
    QVERIFY(qAbs(call.charge - 0.20f) < 1e-6f);
    QVERIFY(qAbs(call.effectiveRate - 0.05f) < 1e-6f);
    QVERIFY(qAbs(call.surcharge - 0.09f) < 1e-6f);
    QCOMPARE(number(QStringLiteral("SELECT 计费单位数 FROM 话费表")), 5.0);
    QVERIFY(engine.rate31().present(5));
    QVERIFY(!engine.rate31().present(6));
    QCOMPARE(m_prompt->texts, QStringList{});
}

void TestRatingEngine::missingTwoTierTableStopsOnlyFirstCall()
{
    rate(QStringLiteral("0"), 1.0, QStringLiteral("x"), 60, 5, 0, 0);
    m_db->execute(QStringLiteral("DROP TABLE rate31"));
    CCallRater engine;
    QCOMPARE(engine.PriceAndStore(record(Friday, "100000", "100500", "0")), 0);
    QCOMPARE(m_prompt->texts, QStringList{QStringLiteral("Open 3+1_rate_table failt")});
    QCOMPARE(engine.PriceAndStore(record(Friday, "100000", "100500", "0")), 1);
    QCOMPARE(engine.lastCall().charge, 5.0f);
    QCOMPARE(rows(), 1);
}

void TestRatingEngine::hotelAccrual()
{
    const QString insert =
        QStringLiteral("INSERT INTO 宾馆管理表 "
                       "(分机号,房间号,入住日期,入住时间,退房日期,退房时间,结帐金额,是否已经结帐,服务费比例,"
                       "押金,分机级别描述) VALUES ('%1','%1','240101','120000','','',%2,%3,0,%4,'1 市话')");
    m_db->execute(insert.arg("8001").arg(45).arg(0).arg(50));
    m_db->execute(insert.arg("8002").arg(60).arg(0).arg(50));
    m_db->execute(insert.arg("8003").arg(0).arg(1).arg(50));
    CCallRater engine;
    const auto accrue = [&](const char* extension, Money amount) {
        return engine.AccrueHotelCharge({QString::fromUtf8(extension), QStringLiteral("13800138000"), Friday,
                                         QStringLiteral("100000"), amount});
    };

    const QString amount = QStringLiteral("SELECT 结帐金额 FROM 宾馆管理表 WHERE 分机号='%1'");
    QCOMPARE(accrue("8001", Money::fromCents(600)), 1);
    QCOMPARE(number(amount.arg("8001")), 51.0);
    QCOMPARE(accrue("8001", Money::fromCents(100)), 0);
    // The stored total holds whole cents.
    QCOMPARE(accrue("8001", Money::fromStored(0.3333f)), 0);
    QCOMPARE(number(amount.arg("8001")), 52.33);
    // Calls add what their lines show: three of 0.335 are 1.02, not 1.01.
    for (int i = 0; i < 3; ++i)
        QCOMPARE(accrue("8001", Money::fromStored(0.335f)), 0);
    QCOMPARE(number(amount.arg("8001")), 53.35);
    // Registered already above the deposit: never reached "just now".
    QCOMPARE(accrue("8002", Money::fromCents(100)), 0);
    QCOMPARE(accrue("8003", Money::fromCents(100)), -1);
    QCOMPARE(number(amount.arg("8003")), 0.0);
    // An extension with a quote cannot break the statement.
    QCOMPARE(accrue("8'01", Money::fromCents(100)), -1);
    QCOMPARE(m_prompt->texts, QStringList{});
    // Each call added is linked to the stay it went to.
    QCOMPARE(m_db->column(QStringLiteral("SELECT 分机号 || 入住日期 || 入住时间 FROM 宾馆通话表 ORDER BY 1")),
             (QStringList(6, QStringLiteral("8001240101120000")) << QStringLiteral("8002240101120000")));

    // Its statements stay prepared from call to call, never past their
    // connection: one that took the old one's place (here at its address,
    // opened as often) or the same one opened again gets them anew, and the
    // call's transaction holds what it adds.
    CDatabase::resetShared();
    {
        CTransaction rolledBack(CDatabase::shared());
        QCOMPARE(accrue("8002", Money::fromCents(100)), 0);
    }
    QCOMPARE(number(amount.arg("8002")), 61.0);
    QCOMPARE(accrue("8002", Money::fromCents(100)), 0);
    CDatabase::shared().close();
    QCOMPARE(accrue("8002", Money::fromCents(100)), 0);
    QCOMPARE(number(amount.arg("8002")), 63.0);
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM 宾馆通话表 WHERE 分机号='8002'")),
             QStringLiteral("3"));

    // A check-out written by anyone counts from the next call on: nothing to reload.
    m_db->execute(QStringLiteral("UPDATE 宾馆管理表 SET 是否已经结帐=1 WHERE 分机号='8001'"));
    QCOMPARE(accrue("8001", Money::fromCents(100)), -1);
    QCOMPARE(number(amount.arg("8001")), 53.35);
}

void TestRatingEngine::noOpenStay()
{
    rate(QStringLiteral("0"), 1.0, QStringLiteral("x"), 60, 0, 0, 0);
    CCallRater engine;
    QCOMPARE(engine.AccrueHotelCharge({QStringLiteral("1234"), QStringLiteral("0"), Friday,
                                       QStringLiteral("100000"), Money::fromCents(100)}),
             -1);
    QCOMPARE(engine.PriceAndStore(record(Friday, "100000", "100100", "0")), 1);
    QCOMPARE(m_prompt->texts, QStringList{}); // an empty register is no failure

    // A register that cannot be read stores no call: it waits to be priced
    // again, so that it is never stored without its guest's charge.
    m_db->execute(QStringLiteral("DROP TABLE 宾馆管理表"));
    QCOMPARE(engine.PriceAndStore(record(Friday, "110000", "110100", "0")), 0);
    QVERIFY(engine.lastAppendFailed());
    QCOMPARE(rows(), 1);
    QCOMPARE(engine.pendingCallCount(), 1);
    QCOMPARE(m_prompt->texts.size(), 1);
    QVERIFY2(m_prompt->texts.first().contains(QStringLiteral("宾馆管理表")), qPrintable(m_prompt->texts.first()));
}

void TestRatingEngine::unreadableTimeBandsAreReportedOnce()
{
    rate(QStringLiteral("0"), 1.0, QStringLiteral("x"), 1, 1, 0, 0);
    m_db->execute(QStringLiteral("INSERT INTO 分时折扣率表 VALUES (1,'2200','235959',0.5)"));
    m_db->execute(QStringLiteral("INSERT INTO 分时折扣率表 VALUES (1,'000000','07:00:00',0.5)"));
    m_db->execute(QStringLiteral("INSERT INTO 分时折扣率表 VALUES (1,'120000','130000',0.5)"));
    CCallRater engine;
    QCOMPARE(engine.PriceAndStore(record(Friday, "225000", "231000", "0")), 1);
    QCOMPARE(engine.PriceAndStore(record(Friday, "120000", "121000", "0")), 1);
    QCOMPARE(engine.PriceAndStore(record(Friday, "060000", "061000", "0")), 1);
    QCOMPARE(engine.lastCall().discountFactor, 1.0f); // the unreadable band does not apply
    QCOMPARE(m_prompt->texts.size(), 1);
    const QString lead = DiscountCalculator::unreadableBandsText();
    QVERIFY(m_prompt->texts.first().startsWith(lead));
    QStringList named = m_prompt->texts.first().mid(lead.size()).split(QLatin1Char('\n'));
    named.sort();
    QCOMPARE(named, (QStringList{"折扣类型1: 000000-07:00:00", "折扣类型1: 2200-235959"}));
}

void TestRatingEngine::refusedRowIsStoredOnceSourceIsBack()
{
    rate(QStringLiteral("0"), 1.0, QStringLiteral("x"), 60, 0, 0, 0);
    m_db->execute(
        QStringLiteral("INSERT INTO 宾馆管理表 (分机号,结帐金额,是否已经结帐,押金) VALUES ('1234',0,0,100)"));
    CCallRater engine;
    QCOMPARE(engine.PriceAndStore(record(Friday, "100000", "100100", "0")), 1);

    m_db->execute(QStringLiteral("ALTER TABLE 话费表 RENAME TO 话费表_离线"));
    QCOMPARE(engine.PriceAndStore(record(Friday, "110000", "110200", "0")), 0);
    QVERIFY(engine.lastAppendFailed());
    QCOMPARE(m_prompt->texts.size(), 1); // the driver's own text
    QVERIFY(!m_prompt->texts.first().isEmpty());
    QCOMPARE(engine.pendingCallCount(), 1);
    QCOMPARE(number(QStringLiteral("SELECT 结帐金额 FROM 宾馆管理表")), 1.0); // nothing accrued for it

    m_db->execute(QStringLiteral("ALTER TABLE 话费表_离线 RENAME TO 话费表"));
    QCOMPARE(engine.PriceAndStore(record(Friday, "120000", "120300", "0")), 1);
    QCOMPARE(engine.lastCall().charge, 3.0f); // the call just priced, not the recovered one
    QCOMPARE(engine.pendingCallCount(), 0);
    QCOMPARE(m_db->column(QStringLiteral("SELECT 时间 FROM 话费表 ORDER BY 时间")),
             (QStringList{"100000", "110000", "120000"}));
    // Every stored call is accrued once, the recovered one too.
    QCOMPARE(number(QStringLiteral("SELECT 结帐金额 FROM 宾馆管理表")), 6.0);
    QCOMPARE(engine.storePendingCalls(), 0);
    QCOMPARE(rows(), 3);
}

void TestRatingEngine::pendingCallsPricedAtNextStart()
{
    rate(QStringLiteral("0"), 1.0, QStringLiteral("x"), 60, 0, 0, 0);
    {
        CCallRater engine;
        m_db->execute(QStringLiteral("ALTER TABLE 话费表 RENAME TO 话费表_离线"));
        QCOMPARE(engine.PriceAndStore(record(Friday, "110000", "110200", "0")), 0);
        QCOMPARE(engine.PriceAndStore(record(Friday, "111000", "111200", "0")), 0);
        QCOMPARE(engine.pendingCallCount(), 2);
    }
    {
        // Still refused at the next start: nothing is lost, nothing stored twice.
        CCallRater engine;
        QCOMPARE(engine.pendingCallCount(), 2);
    }
    m_db->execute(QStringLiteral("ALTER TABLE 话费表_离线 RENAME TO 话费表"));
    CCallRater engine;
    QCOMPARE(engine.pendingCallCount(), 0);
    QCOMPARE(rows(), 2);
    QCOMPARE(engine.storePendingCalls(), 0);
    QCOMPARE(rows(), 2);
}

void TestRatingEngine::refusedRecordIsSetAsideAndTheRestStored()
{
    rate(QStringLiteral("0"), 1.0, QStringLiteral("x"), 60, 0, 0, 0);
    // The data source refuses calls to one number, and only those.
    if (TestDatabase::isPostgres()) {
        m_db->execute(QStringLiteral("CREATE FUNCTION refuse_666() RETURNS trigger AS $$ BEGIN IF NEW.被叫号='0666' "
                                     "THEN RAISE EXCEPTION 'number 0666 refused'; END IF; RETURN NEW; END $$ "
                                     "LANGUAGE plpgsql"));
        m_db->execute(QStringLiteral("CREATE TRIGGER refuse_666 BEFORE INSERT ON 话费表 FOR EACH ROW EXECUTE "
                                     "FUNCTION refuse_666()"));
    } else {
        m_db->execute(QStringLiteral("CREATE TRIGGER refuse_666 BEFORE INSERT ON 话费表 WHEN NEW.被叫号='0666' "
                                     "BEGIN SELECT RAISE(ABORT, 'number 0666 refused'); END"));
    }
    const QString refused = record(Friday, "101000", "101200", "0666");
    {
        // Three calls wait from an earlier run, the refused one in the middle.
        LineJournal journal(CCallRater::pendingJournalPath());
        journal.append(record(Friday, "100000", "100200", "0111"));
        journal.append(refused);
        journal.append(record(Friday, "102000", "102200", "0222"));
    }
    CCallRater engine;
    QCOMPARE(rows(), 2);
    QCOMPARE(m_db->column(QStringLiteral("SELECT 被叫号 FROM 话费表 ORDER BY 时间")), (QStringList{"0111", "0222"}));
    QCOMPARE(engine.pendingCallCount(), 0);
    QCOMPARE(LineJournal(RefusedCalls::path()).lines(), QStringList{refused});
    QCOMPARE(m_prompt->texts.size(), 2); // the driver's text, then where the call went
    QVERIFY2(m_prompt->texts.first().contains(QStringLiteral("0666 refused")), qPrintable(m_prompt->texts.first()));
    QCOMPARE(m_prompt->texts.last(), RefusedCalls::message(refused));
    QVERIFY(m_prompt->texts.last().contains(RefusedCalls::path()));

    // Live calls go on being stored; the set-aside call is not tried again.
    QCOMPARE(engine.PriceAndStore(record(Friday, "103000", "103200", "0333")), 1);
    CCallRater next;
    QCOMPARE(rows(), 3);
    QCOMPARE(m_prompt->texts.size(), 2);
}

void TestRatingEngine::refusedRowInsideBatchIsLeftToTheBatch()
{
    rate(QStringLiteral("0"), 1.0, QStringLiteral("x"), 60, 0, 0, 0);
    CCallRater engine;
    m_db->execute(QStringLiteral("ALTER TABLE 话费表 RENAME TO 话费表_离线"));
    {
        CTransaction batch(CDatabase::shared());
        QCOMPARE(engine.PriceAndStore(record(Friday, "110000", "110200", "0")), 0);
        QVERIFY(engine.lastAppendFailed());
        QCOMPARE(engine.storePendingCalls(), 0);
    }
    QCOMPARE(engine.pendingCallCount(), 0);
}

QTEST_GUILESS_MAIN(TestRatingEngine)
#include "tst_rating_engine.moc"
