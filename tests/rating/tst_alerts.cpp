#include "CanonicalRecord.h"
#include "RecordingPrompt.h"
#include "TestDatabase.h"

#include "db/CDatabase.h"
#include "intake/LineJournal.h"
#include "rating/AlertLog.h"
#include "rating/CCallRater.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
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
    void storedRuleAtItsLimit_data();
    void storedRuleAtItsLimit();
    void monthTotalSeesTheOtherProgramsCalls();
    void repeatToldOnceAcrossProgramsRollbackAndRestart();
    void twoProgramsAtOnceTellEachAlertOnce();

private:
    void rule(int id, const Rule& r) const;
    // Another program on the same data source stores the calls, each in a
    // transaction of its own; started, not waited for.
    std::unique_ptr<QProcess> otherProgram(const Calls& calls) const;
    void storeInOtherProgram(const Calls& calls) const;
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
            .arg(QString::number(r.amount, 'g', 17))
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

std::unique_ptr<QProcess> TestAlerts::otherProgram(const Calls& calls) const
{
    auto program = std::make_unique<QProcess>();
    QStringList arguments{QStringLiteral("--store"), m_db->connectionString()};
    for (const Call& call : calls)
        arguments << call.record();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Its own journals, as another workstation or collector has.
    environment.insert(QStringLiteral("QALOR_DATA_DIR"), m_dataDir->filePath(QStringLiteral("other")));
    program->setProcessEnvironment(environment);
    program->setProcessChannelMode(QProcess::ForwardedChannels);
    program->start(QCoreApplication::applicationFilePath(), arguments);
    return program;
}

void TestAlerts::storeInOtherProgram(const Calls& calls) const
{
    const std::unique_ptr<QProcess> program = otherProgram(calls);
    QVERIFY(program->waitForFinished(120000));
    QCOMPARE(program->exitCode(), 0);
}

void TestAlerts::storedRuleAtItsLimit_data()
{
    QTest::addColumn<Rule>("given");
    QTest::addColumn<QString>("fault"); // empty: the rule is used
    QTest::addColumn<int>("alerted");   // of 20 calls of 0.01 to 0.20, five a minute apart

    Rule cost{1, 131071.99};
    QTest::newRow("largest amount") << cost << QString() << 0;
    cost.amount = 1e15; // read as 0.00 it would fire on every call
    QTest::newRow("1e15") << cost << "列“金额”只能填入0.01到131071.99之间的金额." << 0;
    cost.amount = 0.20;
    QTest::newRow("a cent") << cost << QString() << 1;
    cost.amount = 0;
    QTest::newRow("nothing") << cost << "列“金额”只能填入0.01到131071.99之间的金额." << 0;
    Rule repeat{6};
    repeat.count = 20;
    repeat.minutes = 1440;
    QTest::newRow("a day's window") << repeat << QString() << 1;
    repeat.minutes = 1441;
    QTest::newRow("a minute past a day") << repeat << "列“分钟数”只能填入1到1440之间的分钟数." << 0;
    repeat.minutes = 35791395; // times 60 it overflows
    QTest::newRow("overflowing window") << repeat << "列“分钟数”只能填入1到1440之间的分钟数." << 0;
    repeat.minutes = 10;
    repeat.count = 0;
    QTest::newRow("no calls") << repeat << "列“次数”只能填入1或更大的次数." << 0;
    Rule longCall{2};
    longCall.seconds = 0;
    QTest::newRow("no seconds") << longCall << "列“通话秒数”只能填入1到86400之间的秒数." << 0;
    longCall.seconds = 20;
    QTest::newRow("20 s") << longCall << QString() << 1;
    Rule night{3};
    night.prefix = QStringLiteral("0755");
    night.from = QStringLiteral("25:00");
    night.to = QStringLiteral("060000");
    // Taken as "all day" it would fire on every call.
    QTest::newRow("hour 25") << night << "列“起始时间”只能填入时刻(如220000或22:00)." << 0;
    night.from = QStringLiteral("235959");
    night.to = QStringLiteral("2400");
    QTest::newRow("last second") << night << QString() << 0;
    Rule unknownKind{7};
    QTest::newRow("kind 7")
        << unknownKind
        << "列“规则类型”只能填入1 单次话费,2 通话时长,3 时段号头,4 月累计话费,5 未登记分机,"
           "6 重复呼叫."
        << 0;
}

void TestAlerts::storedRuleAtItsLimit()
{
    QFETCH(Rule, given);
    QFETCH(QString, fault);
    QFETCH(int, alerted);
    clearRules();
    rule(7, given); // stored past the editor, as by hand or an older program
    CCallRater engine;
    for (int i = 1; i <= 20; ++i) {
        const QString start = QStringLiteral("10%1%2")
                                  .arg(i / 5, 2, 10, QLatin1Char('0'))
                                  .arg(i % 5 * 10, 2, 10, QLatin1Char('0'));
        QCOMPARE(engine.PriceAndStore(
                     Call{"260315", start, QTime::fromString(start, "HHmmss").addSecs(i).toString("HHmmss")}
                         .record()),
                 1);
    }
    QCOMPARE(alerts(), alerted);
    // Told once, when the rules are read, never used in part.
    QCOMPARE(m_prompt->texts,
             fault.isEmpty() ? QStringList{}
                             : QStringList{QStringLiteral("告警规则7“规则7”无法使用,未作检查: ") + fault});
}

void TestAlerts::monthTotalSeesTheOtherProgramsCalls()
{
    clearRules();
    rule(1, Rule{4, 5.00});
    const QString d = QStringLiteral("260315");
    CCallRater engine;
    QCOMPARE(engine.PriceAndStore(Call{d, "080000", "080100"}.record()), 1); // 0.60
    storeInOtherProgram({{d, "081000", "081500"}});                          // 3.00 there: 3.60
    QCOMPARE(alerts(), 0);
    QCOMPARE(engine.PriceAndStore(Call{d, "090000", "090220"}.record()), 1); // 1.40: 5.00
    QCOMPARE(alertedTimes(), QStringList{"090000"});
    storeInOtherProgram({{d, "100000", "100100"}}); // past it: told once, by whichever stored it
    QCOMPARE(alerts(), 1);
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT 金额 FROM 告警累计表")), QStringLiteral("560"));
}

void TestAlerts::repeatToldOnceAcrossProgramsRollbackAndRestart()
{
    clearRules();
    Rule repeat{6};
    repeat.count = 3;
    repeat.minutes = 10;
    rule(1, repeat);
    const QString d = QStringLiteral("260315");
    auto engine = std::make_unique<CCallRater>();
    QCOMPARE(engine->PriceAndStore(Call{d, "100000", "100010"}.record()), 1);
    storeInOtherProgram({{d, "100100", "100110"}, {d, "100200", "100210"}}); // the third: told there
    QCOMPARE(alertedTimes(), QStringList{"100200"});
    QCOMPARE(engine->PriceAndStore(Call{d, "100300", "100310"}.record()), 1);
    QCOMPARE(alerts(), 1);
    {
        CTransaction batch(CDatabase::shared());
        QCOMPARE(engine->PriceAndStore(Call{d, "100400", "100410", "8002"}.record()), 1);
    } // rolled back
    QCOMPARE(engine->PriceAndStore(Call{d, "100500", "100510"}.record()), 1);
    QCOMPARE(alerts(), 1);
    engine = std::make_unique<CCallRater>(); // a restart
    QCOMPARE(engine->PriceAndStore(Call{d, "100600", "100610"}.record()), 1);
    QCOMPARE(alerts(), 1);
    // A window after the one told: told again.
    QCOMPARE(engine->PriceAndStore(Call{d, "101201", "101211"}.record()), 1);
    QCOMPARE(alertedTimes(), (QStringList{"100200", "101201"}));
    QCOMPARE(m_prompt->texts, QStringList{});
}

void TestAlerts::twoProgramsAtOnceTellEachAlertOnce()
{
    if (!TestDatabase::isPostgres())
        QSKIP("A SQLite file takes one writer at a time; programs sharing a server price at the same moment");
    clearRules();
    rule(1, Rule{4, 2.00});
    Rule repeat{6};
    repeat.count = 3;
    repeat.minutes = 10;
    rule(2, repeat);
    // 2 x 40 calls of 0.05 from one extension to one number within five
    // minutes, stored by two programs at the same moment.
    Calls first, second;
    for (int i = 0; i < 80; ++i) {
        const QTime start = QTime(10, 0).addSecs(i * 3);
        (i % 2 ? second : first) << Call{"260315", start.toString("HHmmss"),
                                         start.addSecs(5).toString("HHmmss")};
    }
    const std::unique_ptr<QProcess> one = otherProgram(first);
    const std::unique_ptr<QProcess> two = otherProgram(second);
    for (QProcess* program : {one.get(), two.get()}) {
        QVERIFY(program->waitForFinished(120000));
        QCOMPARE(program->exitCode(), 0);
    }
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")), QStringLiteral("80"));
    QCOMPARE(m_db->column(QStringLiteral("SELECT 规则编号 FROM 告警记录表 ORDER BY 规则编号")),
             (QStringList{"1", "2"}));
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT 金额 FROM 告警累计表")), QStringLiteral("400"));
}

namespace {
// The other program of the tests above: stores each record given in a
// transaction of its own, as a workstation or a collector stores a call.
int storeAsAnotherProgram(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    CDatabase::setDefaultConnectionString(arguments.at(2));
    RecordingPrompt prompt;
    CCallRater engine;
    for (const QString& record : arguments.mid(3)) {
        CTransaction transaction(CDatabase::shared());
        if (engine.PriceAndStore(record) != 1)
            return 1;
        transaction.commit();
    }
    for (const QString& text : std::as_const(prompt.texts))
        std::fprintf(stderr, "%s\n", qPrintable(text));
    return prompt.texts.isEmpty() ? 0 : 2;
}
} // namespace

int main(int argc, char* argv[])
{
    if (argc > 2 && qstrcmp(argv[1], "--store") == 0)
        return storeAsAnotherProgram(argc, argv);
    QCoreApplication app(argc, argv);
    TestAlerts test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_alerts.moc"
