#include "CanonicalRecord.h"
#include "RecordingPrompt.h"
#include "TestDatabase.h"

#include "db/CDatabase.h"
#include "intake/LineJournal.h"
#include "rating/AlertLog.h"
#include "rating/CCallRater.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace qalor;
using qalor::test::canonicalRecord;
using qalor::test::RecordingPrompt;
using qalor::test::TestDatabase;

Q_DECLARE_METATYPE(qalor::Alert)

namespace {

// One call: date yymmdd, start and end HHMMSS, caller, dialled number.
struct Call
{
    QString date;
    QString start;
    QString end;
    QString caller = QStringLiteral("8001");
    QString called = QStringLiteral("075512345");

    QString record() const { return canonicalRecord(date, start, end, caller, called); }
};
using Calls = QList<Call>;

// A rule row: kind, amount, seconds, prefix, window, count, minutes, scope.
struct Rule
{
    int kind = 1;
    double amount = 0;
    int seconds = 0;
    QString prefix{};
    QString from{};
    QString to{};
    int count = 0;
    int minutes = 0;
    QString extension{};
    int department = 0;
};

} // namespace

Q_DECLARE_METATYPE(Calls)
Q_DECLARE_METATYPE(Rule)

class TestAlerts : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void ruleAtItsThreshold_data();
    void ruleAtItsThreshold();
    void defaultRulesOfANewDataSource();
    void monthTotalCountsCallsStoredBefore();
    void departmentReachesItsAmountOnce();
    void monthTotalStartsAgainOnTheFirst();
    void scopeNarrowsARule();
    void callCheckedAgainAddsNoAlert();
    void rolledBackCallLeavesNoAlertAndNoTotal();
    void alertIsAnnouncedOnceCommitted();
    void replayedPendingCallIsAlertedOnce();
    void unreadableRulesCostNoCall();
    void acknowledgingKeepsTheFirst();

private:
    void rule(int id, const Rule& r) const;
    void clearRules() const { m_db->execute(QStringLiteral("DELETE FROM 告警规则表")); }
    int alerts() const { return m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM 告警记录表")).toInt(); }
    QStringList alertedTimes() const
    {
        return m_db->column(QStringLiteral("SELECT 时间 FROM 告警记录表 ORDER BY 日期, 时间"));
    }

    std::unique_ptr<QTemporaryDir> m_dataDir;
    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<RecordingPrompt> m_prompt;
};

void TestAlerts::init()
{
    qRegisterMetaType<qalor::Alert>();
    m_dataDir = std::make_unique<QTemporaryDir>();
    qputenv("QALOR_DATA_DIR", m_dataDir->path().toUtf8());
    m_db = std::make_unique<TestDatabase>();
    m_prompt = std::make_unique<RecordingPrompt>();
    // One cent a second, no surcharge: a call's charge is its seconds in cents.
    m_db->execute(QStringLiteral("INSERT INTO 费率表 (区号,费率,地区,计费单位,折扣类型,附加费费率,统计类型) "
                                 "VALUES ('0',0.01,'x',1,0,0,0)"));
    // A second of surcharge on the international prefix, so both terms count.
    m_db->execute(QStringLiteral("INSERT INTO 费率表 (区号,费率,地区,计费单位,折扣类型,附加费费率,统计类型) "
                                 "VALUES ('00',0.01,'国际',1,0,0.01,3)"));
}

void TestAlerts::cleanup()
{
    m_prompt.reset();
    m_db.reset();
    m_dataDir.reset();
}

void TestAlerts::rule(int id, const Rule& r) const
{
    m_db->execute(
        QStringLiteral(
            "INSERT INTO 告警规则表 (规则编号,规则名称,规则类型,金额,通话秒数,号头,起始时间,结束时间,"
            "次数,分钟数,分机号,部门编号,是否启用) VALUES (%1,'规则%1',%2,%3,%4,'%5','%6','%7',%8,"
            "%9,'%10',%11,1)")
            .arg(id)
            .arg(r.kind)
            .arg(r.amount)
            .arg(r.seconds)
            .arg(r.prefix, r.from, r.to)
            .arg(r.count)
            .arg(r.minutes)
            .arg(r.extension)
            .arg(r.department));
}

void TestAlerts::ruleAtItsThreshold_data()
{
    QTest::addColumn<Rule>("given");
    QTest::addColumn<Calls>("calls");
    QTest::addColumn<QStringList>("alerted"); // start times of the calls alerted

    const QString d = QStringLiteral("260315");
    Rule cost{1, 100.00};
    // 10000 s at a cent: 100.00; 9999 s: 99.99.
    QTest::newRow("cost at 100.00") << cost << Calls{{d, "080000", "104640"}} << QStringList{"080000"};
    QTest::newRow("cost at 99.99") << cost << Calls{{d, "080000", "104639"}} << QStringList{};
    // The surcharge is part of the amount: 5000 s international is 100.00.
    QTest::newRow("cost with surcharge")
        << cost << Calls{{d, "080000", "092320", "8001", "0044123"}} << QStringList{"080000"};

    Rule longCall{2};
    longCall.seconds = 7200;
    QTest::newRow("2 h exactly") << longCall << Calls{{d, "080000", "100000"}} << QStringList{"080000"};
    QTest::newRow("a second short") << longCall << Calls{{d, "080000", "095959"}} << QStringList{};
    QTest::newRow("2 h across midnight")
        << longCall << Calls{{d, "230000", "010000"}} << QStringList{"230000"};

    Rule night{3};
    night.prefix = QStringLiteral("00");
    night.from = QStringLiteral("220000");
    night.to = QStringLiteral("060000");
    QTest::newRow("22:00:00 opens") << night << Calls{{d, "220000", "220010", "8001", "00441"}}
                                    << QStringList{"220000"};
    QTest::newRow("21:59:59 before") << night << Calls{{d, "215959", "220010", "8001", "00441"}}
                                     << QStringList{};
    QTest::newRow("05:59:59 inside") << night << Calls{{d, "055959", "060010", "8001", "00441"}}
                                     << QStringList{"055959"};
    QTest::newRow("06:00:00 closes") << night << Calls{{d, "060000", "060010", "8001", "00441"}}
                                     << QStringList{};
    QTest::newRow("midnight inside") << night << Calls{{d, "000000", "000010", "8001", "00441"}}
                                     << QStringList{"000000"};
    QTest::newRow("other prefix at night")
        << night << Calls{{d, "230000", "230010", "8001", "0441"}} << QStringList{};
    Rule evening = night;
    evening.from = QStringLiteral("18:00");
    evening.to = QStringLiteral("22:00");
    QTest::newRow("same-day window end")
        << evening << Calls{{d, "220000", "220010", "8001", "00441"}} << QStringList{};
    QTest::newRow("same-day window start")
        << evening << Calls{{d, "180000", "180010", "8001", "00441"}} << QStringList{"180000"};

    Rule month{4, 5.00};
    // 3.00 then 2.00 reach 5.00 exactly; 3.00 then 1.99 stay a cent below.
    QTest::newRow("month at 5.00") << month << Calls{{d, "080000", "080500"}, {d, "090000", "090320"}}
                                   << QStringList{"090000"};
    QTest::newRow("month at 4.99") << month << Calls{{d, "080000", "080500"}, {d, "090000", "090319"}}
                                   << QStringList{};
    // Told once: the call after the one that reached it is not alerted again.
    QTest::newRow("month told once") << month << Calls{{d, "080000", "080820"}, {d, "090000", "090100"}}
                                     << QStringList{"080000"};

    Rule unknown{5};
    QTest::newRow("caller not registered")
        << unknown << Calls{{d, "080000", "080010", "8099"}} << QStringList{"080000"};
    QTest::newRow("caller registered") << unknown << Calls{{d, "080000", "080010", "8001"}} << QStringList{};

    Rule repeat{6};
    repeat.count = 3;
    repeat.minutes = 10;
    QTest::newRow("3 calls in 10 min")
        << repeat << Calls{{d, "100000", "100010"}, {d, "100500", "100510"}, {d, "101000", "101010"}}
        << QStringList{"101000"};
    QTest::newRow("third a second late")
        << repeat << Calls{{d, "100000", "100010"}, {d, "100500", "100510"}, {d, "101001", "101011"}}
        << QStringList{};
    QTest::newRow("2 calls only") << repeat << Calls{{d, "100000", "100010"}, {d, "100500", "100510"}}
                                  << QStringList{};
    QTest::newRow("other numbers do not count")
        << repeat
        << Calls{{d, "100000", "100010"}, {d, "100500", "100510", "8001", "0755999"}, {d, "101000", "101010"}}
        << QStringList{};
    QTest::newRow("window across midnight")
        << repeat << Calls{{"260314", "235500", "235510"}, {d, "000000", "000010"}, {d, "000400", "000410"}}
        << QStringList{"000400"};
    // A line stuck on a number is told once per window.
    QTest::newRow("stuck line told once") << repeat
                                          << Calls{{d, "100000", "100010"},
                                                   {d, "100100", "100110"},
                                                   {d, "100200", "100210"},
                                                   {d, "100300", "100310"}}
                                          << QStringList{"100200"};
}

void TestAlerts::ruleAtItsThreshold()
{
    QFETCH(Rule, given);
    QFETCH(Calls, calls);
    QFETCH(QStringList, alerted);
    clearRules();
    rule(7, given);
    m_db->execute(QStringLiteral("INSERT INTO 用户信息表 (电话号码,用户名,部门编号) VALUES ('8001','甲',1)"));
    CCallRater engine;
    QSignalSpy raised(&engine.alerts(), &AlertChecker::alertRaised);
    for (const Call& call : calls)
        QCOMPARE(engine.PriceAndStore(call.record()), 1);
    QCOMPARE(alertedTimes(), alerted);
    QCOMPARE(raised.size(), alerted.size());
    QCOMPARE(m_db->column(QStringLiteral("SELECT DISTINCT 规则编号 FROM 告警记录表")),
             alerted.isEmpty() ? QStringList{} : QStringList{"7"});
    QCOMPARE(m_prompt->texts, QStringList{});
}

void TestAlerts::defaultRulesOfANewDataSource()
{
    CCallRater engine;
    const QString d = QStringLiteral("260315");
    QCOMPARE(engine.PriceAndStore(Call{d, "080000", "104640"}.record()), 1); // 100.00
    QCOMPARE(engine.PriceAndStore(Call{d, "230000", "230100", "8001", "001212"}.record()), 1);
    QCOMPARE(engine.PriceAndStore(Call{d, "120000", "140000"}.record()), 1);                   // 2 h, 72.00
    QCOMPARE(engine.PriceAndStore(Call{d, "150000", "150100", "8001", "001212"}.record()), 1); // daytime
    QCOMPARE(m_db->column(
                 QStringLiteral("SELECT 时间 || ' ' || 规则编号 FROM 告警记录表 ORDER BY 时间, 规则编号")),
             (QStringList{"080000 1", "080000 3", "120000 3", "230000 2"}));
    const QList<AlertLog::Row> rows =
        AlertLog::list(CDatabase::shared(), QDate(2026, 3, 15), QDate(2026, 3, 15));
    QCOMPARE(rows.size(), 4);
    QCOMPARE(rows.first().alert.call.billed, Money::fromCents(10000));
    QCOMPARE(rows.first().alert.ruleName, QStringLiteral("单次话费达到100元"));
}

void TestAlerts::monthTotalCountsCallsStoredBefore()
{
    clearRules();
    rule(1, Rule{4, 5.00});
    // Stored before this program ran: 2.50 and 2.49 of March, 9.00 of February.
    m_db->execute(QStringLiteral(
        "INSERT INTO 话费表 (主叫号,被叫号,日期,时间,时长,费率,计费单位数,通话费,服务费,附加费,"
        "通达地,统计类型) VALUES ('8001','1','260301','080000',0,0,0,2.0,0,0.5,'',0),"
        "('8001','1','260302','080000',0,0,0,2.49,0,0,'',0),"
        "('8001','1','260228','080000',0,0,0,9.0,0,0,'',0)"));
    CCallRater engine;
    const QString d = QStringLiteral("260315");
    QCOMPARE(engine.PriceAndStore(Call{d, "080000", "080000"}.record()), 1); // 0.00: 4.99
    QCOMPARE(alerts(), 0);
    QCOMPARE(engine.PriceAndStore(Call{d, "090000", "090001"}.record()), 1); // 0.01: 5.00
    QCOMPARE(alertedTimes(), QStringList{"090000"});
    QVERIFY(m_db->scalar(QStringLiteral("SELECT 告警说明 FROM 告警记录表")).contains(QStringLiteral("5.00")));
}

void TestAlerts::departmentReachesItsAmountOnce()
{
    clearRules();
    Rule department{4, 10.00};
    department.department = 3;
    rule(1, department);
    m_db->execute(QStringLiteral("INSERT INTO 用户信息表 (电话号码,用户名,部门编号) VALUES ('8001','甲',3),"
                                 "('8002','乙',3),('8003','丙',4)"));
    CCallRater engine;
    const QString d = QStringLiteral("260315");
    QCOMPARE(engine.PriceAndStore(Call{d, "080000", "080600", "8001"}.record()), 1); // 3.60
    QCOMPARE(engine.PriceAndStore(Call{d, "081000", "082000", "8003"}.record()), 1); // another department
    QCOMPARE(engine.PriceAndStore(Call{d, "083000", "084039", "8002"}.record()), 1); // 6.39: 9.99
    QCOMPARE(alerts(), 0);
    QCOMPARE(engine.PriceAndStore(Call{d, "090000", "090001", "8002"}.record()), 1); // 10.00
    QCOMPARE(engine.PriceAndStore(Call{d, "091000", "091100", "8001"}.record()), 1);
    QCOMPARE(m_db->column(QStringLiteral("SELECT 主叫号 || ' ' || 时间 FROM 告警记录表")),
             QStringList{"8002 090000"});
}

void TestAlerts::monthTotalStartsAgainOnTheFirst()
{
    clearRules();
    rule(1, Rule{4, 5.00});
    CCallRater engine;
    QCOMPARE(engine.PriceAndStore(Call{"260331", "230000", "230640"}.record()), 1); // 4.00 in March
    // Across midnight into April: stored under its start, 31 March (4.00 + 1.20).
    QCOMPARE(engine.PriceAndStore(Call{"260331", "235900", "000100"}.record()), 1);
    QCOMPARE(alertedTimes(), QStringList{"235900"});
    QCOMPARE(engine.PriceAndStore(Call{"260401", "080000", "080640"}.record()), 1); // 4.00 in April
    QCOMPARE(alerts(), 1);
    QCOMPARE(engine.PriceAndStore(Call{"260401", "090000", "090140"}.record()), 1); // 5.00 in April
    QCOMPARE(m_db->column(QStringLiteral("SELECT 日期 || ' ' || 时间 FROM 告警记录表 ORDER BY 日期")),
             (QStringList{"260331 235900", "260401 090000"}));
    // A late March call found in a batch adds to March, not to April.
    QCOMPARE(engine.PriceAndStore(Call{"260330", "090000", "090100"}.record()), 1);
    QCOMPARE(alerts(), 2);
}

void TestAlerts::scopeNarrowsARule()
{
    clearRules();
    Rule cost{1, 1.00};
    cost.extension = QStringLiteral("8002");
    rule(1, cost);
    CCallRater engine;
    const QString d = QStringLiteral("260315");
    QCOMPARE(engine.PriceAndStore(Call{d, "080000", "080500", "8001"}.record()), 1);
    QCOMPARE(engine.PriceAndStore(Call{d, "090000", "090500", "8002"}.record()), 1);
    QCOMPARE(m_db->column(QStringLiteral("SELECT 主叫号 FROM 告警记录表")), QStringList{"8002"});
}

void TestAlerts::callCheckedAgainAddsNoAlert()
{
    clearRules();
    rule(1, Rule{1, 100.00});
    const QString call = Call{"260315", "080000", "104640"}.record();
    {
        CCallRater engine;
        QCOMPARE(engine.PriceAndStore(call), 1);
    }
    // The next start stores the same call again (as a batch computed twice
    // would): the call table takes it, the alert log does not.
    CCallRater engine;
    QSignalSpy raised(&engine.alerts(), &AlertChecker::alertRaised);
    QCOMPARE(engine.PriceAndStore(call), 1);
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")), QStringLiteral("2"));
    QCOMPARE(alerts(), 1);
    QCOMPARE(raised.size(), 0);
    QCOMPARE(m_prompt->texts, QStringList{});
}

void TestAlerts::rolledBackCallLeavesNoAlertAndNoTotal()
{
    clearRules();
    rule(1, Rule{4, 5.00});
    rule(2, Rule{1, 3.00});
    CCallRater engine;
    QSignalSpy raised(&engine.alerts(), &AlertChecker::alertRaised);
    const QString d = QStringLiteral("260315");
    {
        CTransaction batch(CDatabase::shared());
        QCOMPARE(engine.PriceAndStore(Call{d, "080000", "080500"}.record()), 1); // 3.00
        QCOMPARE(engine.PriceAndStore(Call{d, "081000", "081320"}.record()), 1); // 2.00: 5.00
        QCOMPARE(alerts(), 0); // other connections see nothing yet
    }                          // rolled back
    QCOMPARE(alerts(), 0);
    QCOMPARE(raised.size(), 0);
    // Computed again: the month holds only what was committed.
    QCOMPARE(engine.PriceAndStore(Call{d, "080000", "080500"}.record()), 1);
    QCOMPARE(m_db->column(QStringLiteral("SELECT 规则编号 FROM 告警记录表")), QStringList{"2"});
    QCOMPARE(engine.PriceAndStore(Call{d, "081000", "081319"}.record()), 1); // 4.99
    QCOMPARE(alerts(), 1);
    QCOMPARE(engine.PriceAndStore(Call{d, "090000", "090001"}.record()), 1); // 5.00
    QCOMPARE(m_db->column(QStringLiteral("SELECT 时间 || ' ' || 规则编号 FROM 告警记录表 ORDER BY 时间")),
             (QStringList{"080000 2", "090000 1"}));
    QCOMPARE(raised.size(), 2);
}

void TestAlerts::alertIsAnnouncedOnceCommitted()
{
    CCallRater engine;
    QSignalSpy raised(&engine.alerts(), &AlertChecker::alertRaised);
    {
        CTransaction batch(CDatabase::shared());
        QCOMPARE(engine.PriceAndStore(Call{"260315", "230000", "230100", "8001", "0044"}.record()), 1);
        QCOMPARE(raised.size(), 0);
        batch.commit();
    }
    QCOMPARE(raised.size(), 1);
    const Alert alert = raised.first().first().value<Alert>();
    QCOMPARE(alert.ruleId, 2);
    QCOMPARE(alert.call.caller, QStringLiteral("8001"));
    QVERIFY(alert.line().contains(QStringLiteral("主叫8001 被叫0044 2026-03-15 23:00:00")));
}

void TestAlerts::replayedPendingCallIsAlertedOnce()
{
    clearRules();
    rule(1, Rule{1, 100.00});
    const QString call = Call{"260315", "080000", "104640"}.record();
    {
        CCallRater engine;
        QCOMPARE(engine.PriceAndStore(call), 1);
    }
    // The program ended after the call and its alert were committed but
    // before the pending journal forgot it: the next start stores it again.
    LineJournal(CCallRater::pendingJournalPath()).append(call);
    CCallRater engine;
    QCOMPARE(engine.pendingCallCount(), 0);
    QCOMPARE(alerts(), 1);
    QCOMPARE(m_prompt->texts, QStringList{});
}

void TestAlerts::unreadableRulesCostNoCall()
{
    m_db->execute(QStringLiteral("DROP TABLE 告警规则表"));
    CCallRater engine;
    QCOMPARE(engine.PriceAndStore(Call{"260315", "080000", "104640"}.record()), 1);
    QCOMPARE(engine.PriceAndStore(Call{"260315", "090000", "104640"}.record()), 1);
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")), QStringLiteral("2"));
    QCOMPARE(m_prompt->texts.size(), 1); // told once
    QVERIFY(m_prompt->texts.first().startsWith(QStringLiteral("告警规则表无法读取")));
}

void TestAlerts::acknowledgingKeepsTheFirst()
{
    clearRules();
    rule(1, Rule{1, 1.00});
    CCallRater engine;
    QCOMPARE(engine.PriceAndStore(Call{"260315", "080000", "104640"}.record()), 1);
    QCOMPARE(engine.PriceAndStore(Call{"260316", "230000", "231000", "8001", "0044"}.record()), 1);
    CDatabase& db = CDatabase::shared();
    QCOMPARE(AlertLog::unacknowledgedCount(db), 2);
    const QList<AlertLog::Row> open = AlertLog::unacknowledged(db);
    const QDateTime first(QDate(2026, 3, 17), QTime(9, 0));
    QCOMPARE(AlertLog::acknowledge(db, {open.first().id}, QStringLiteral("Headkeeper"), first), 1);
    QCOMPARE(AlertLog::acknowledge(db, {open.first().id, open.last().id}, QStringLiteral("值班员"),
                                   first.addSecs(60)),
             1);
    QCOMPARE(AlertLog::unacknowledgedCount(db), 0);
    const QList<AlertLog::Row> all = AlertLog::list(db, QDate(2026, 3, 15), QDate(2026, 3, 16));
    QCOMPARE(all.size(), 2);
    QCOMPARE(all.first().acknowledgedBy, QStringLiteral("Headkeeper"));
    QCOMPARE(all.first().acknowledged, first);
    QCOMPARE(all.last().acknowledgedBy, QStringLiteral("值班员"));
    QCOMPARE(AlertLog::list(db, QDate(2026, 3, 16), QDate(2026, 3, 16)).size(), 1);
}

QTEST_GUILESS_MAIN(TestAlerts)
#include "tst_alerts.moc"
