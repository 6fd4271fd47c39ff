#include "CdrLines.h"
#include "FakeCommControl.h"
#include "IntakeRig.h"
#include "RecordingPrompt.h"
#include "RefusedCaller.h"
#include "TestDatabase.h"

#include "app/AppState.h"
#include "db/CDatabase.h"
#include "intake/ReportProcessor.h"
#include "rating/AlertDesk.h"
#include "rating/AlertLog.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace qalor;
using namespace qalor::test;

namespace {

int countRows(const TestDatabase& db, const QString& table)
{
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table).toInt();
}

// 8001's calls of the month reach 2.00: the third 0.80 call of the sample rates.
void monthRuleOnly(const TestDatabase& db)
{
    db.execute(QStringLiteral("DELETE FROM 告警规则表"));
    db.execute(QStringLiteral(
        "INSERT INTO 告警规则表 (规则编号,规则名称,规则类型,金额,通话秒数,号头,起始时间,结束时间,次数,"
        "分钟数,分机号,部门编号,是否启用) VALUES (9,'月累计2元',4,2.0,0,'','','',0,0,'8001',0,1)"));
}

} // namespace

class TestAlertIntake : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void liveCallIsAnnouncedOnce();
    void reportBatchComputedAgainAddsNoAlert();
    void rolledBackBatchCountsOnlyWhatItStores();
    void rowsRefusedBeforeAMonthIsReadKeepTheBatch();
    void acknowledgingWritesWhoAndWhen();

private:
    QTemporaryDir m_data;
};

void TestAlertIntake::initTestCase()
{
    QVERIFY(m_data.isValid());
    qputenv("QALOR_DATA_DIR", QFile::encodeName(m_data.path()));
}

void TestAlertIntake::init()
{
    QDir dir(m_data.path());
    for (const QString& name : dir.entryList(QDir::Files))
        dir.remove(name);
    AppState::instance().hotel = HotelSettings();
}

void TestAlertIntake::liveCallIsAnnouncedOnce()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    Intake rig;
    QSignalSpy raised(&rig.engine.alerts(), &AlertChecker::alertRaised);
    // An international call at night: the default rule.
    CdrCall night;
    night.start = QStringLiteral("233000");
    night.end = QStringLiteral("233100");
    night.dialled = QStringLiteral("0044207946");
    rig.port.deliver(night.line() + mobileCall(0).line());
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 2);
    QCOMPARE(raised.size(), 1);
    QCOMPARE(db.column(QStringLiteral("SELECT 被叫号 || ' ' || 规则编号 FROM 告警记录表")),
             QStringList{"0044207946 2"});
}

void TestAlertIntake::reportBatchComputedAgainAddsNoAlert()
{
    TestDatabase db(true);
    monthRuleOnly(db);
    RecordingPrompt prompt;
    Intake rig;
    QSignalSpy raised(&rig.engine.alerts(), &AlertChecker::alertRaised);
    const QString batch = mobileLines(4);
    rig.intake.setReportMode(true);
    rig.port.deliver(batch);
    QCOMPARE(ReportProcessor(rig.intake, rig.engine, rig.report).compute().stored, 4);
    QCOMPARE(db.column(QStringLiteral("SELECT 被叫号 FROM 告警记录表")), QStringList{mobileCall(2).dialled});

    // The same lines collected and computed once more: 话费表 takes them
    // again (as duplicate removal would find), the alert log does not.
    rig.intake.setReportMode(true);
    rig.port.deliver(batch);
    QCOMPARE(ReportProcessor(rig.intake, rig.engine, rig.report).compute().stored, 4);
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 8);
    QCOMPARE(countRows(db, QStringLiteral("告警记录表")), 1);
    QCOMPARE(raised.size(), 1);
}

void TestAlertIntake::rolledBackBatchCountsOnlyWhatItStores()
{
    TestDatabase db(true);
    monthRuleOnly(db);
    RecordingPrompt prompt;
    Intake rig;
    QSignalSpy raised(&rig.engine.alerts(), &AlertChecker::alertRaised);
    refuseCaller(db, QStringLiteral("8013"));
    rig.intake.setReportMode(true);
    rig.port.deliver(mobileLines(2) + mobileCall(2, QStringLiteral("8013")).line() + mobileCall(3).line());
    ReportProcessor::Result result = ReportProcessor(rig.intake, rig.engine, rig.report).compute();
    QVERIFY(result.failed);
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 0);
    QCOMPARE(countRows(db, QStringLiteral("告警记录表")), 0);

    // Computed again once the data source takes every call: 8001 reaches
    // 2.00 with its third stored call (0.80 each), not earlier by what the
    // rolled-back run had counted.
    acceptEveryCaller(db);
    result = ReportProcessor(rig.intake, rig.engine, rig.report).compute();
    QVERIFY(!result.failed);
    QCOMPARE(result.stored, 4);
    QCOMPARE(db.column(QStringLiteral("SELECT 被叫号 FROM 告警记录表")), QStringList{mobileCall(3).dialled});
    QCOMPARE(raised.size(), 1);
}

// A batch's rows wait to be written several to a statement; the first call
// of a month makes the month rule read 话费表, so what waits is written
// first. When that write is refused, the batch is not stored without them.
void TestAlertIntake::rowsRefusedBeforeAMonthIsReadKeepTheBatch()
{
    TestDatabase db(true);
    monthRuleOnly(db);
    RecordingPrompt prompt;
    Intake rig;
    refuseCaller(db, QStringLiteral("8013"));
    CdrCall april = mobileCall(3);
    april.date = QStringLiteral("260401");
    rig.intake.setReportMode(true);
    rig.port.deliver(mobileLines(2) + mobileCall(2, QStringLiteral("8013")).line() + april.line());
    ReportProcessor::Result result = ReportProcessor(rig.intake, rig.engine, rig.report).compute();
    QVERIFY(result.failed);
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 0);

    acceptEveryCaller(db);
    result = ReportProcessor(rig.intake, rig.engine, rig.report).compute();
    QVERIFY(!result.failed);
    QCOMPARE(result.stored, 4);
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(DISTINCT 被叫号) FROM 话费表")).toInt(), 4);
}

void TestAlertIntake::acknowledgingWritesWhoAndWhen()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    Intake rig;
    CdrCall night;
    night.start = QStringLiteral("233000");
    night.end = QStringLiteral("233100");
    night.dialled = QStringLiteral("0044207946");
    rig.port.deliver(night.line());
    const QList<AlertLog::Row> open = AlertLog::unacknowledged(CDatabase::shared());
    QCOMPARE(open.size(), 1);
    const int logged = countRows(db, QStringLiteral("LOGINFO"));

    QCOMPARE(AlertDesk::acknowledge({open.first().id}, QStringLiteral("值班员")), 1);
    QCOMPARE(AlertLog::unacknowledgedCount(CDatabase::shared()), 0);
    QCOMPARE(db.scalar(QStringLiteral("SELECT 确认人 FROM 告警记录表")), QStringLiteral("值班员"));
    QCOMPARE(db.scalar(QStringLiteral("SELECT 确认日期 FROM 告警记录表")),
             QDate::currentDate().toString(QStringLiteral("yyyyMMdd")));
    QCOMPARE(countRows(db, QStringLiteral("LOGINFO")), logged + 1);
    QCOMPARE(db.scalar(QStringLiteral(
                 "SELECT 管理员名 || ' ' || 操作 || ' ' || 操作结果 FROM LOGINFO ORDER BY ID DESC")),
             QStringLiteral("值班员 确认告警 %1 成功").arg(open.first().id));

    // Without its audit row, nothing is acknowledged.
    rig.port.deliver(mobileCall(0).line()); // no alert
    night.start = QStringLiteral("234000");
    night.end = QStringLiteral("234100");
    rig.port.deliver(night.line());
    const int second = AlertLog::unacknowledged(CDatabase::shared()).first().id;
    db.execute(QStringLiteral("DROP TABLE LOGINFO"));
    QCOMPARE(AlertDesk::acknowledge({second}, QStringLiteral("值班员")), -1);
    QCOMPARE(AlertLog::unacknowledgedCount(CDatabase::shared()), 1);
    QCOMPARE(prompt.texts.size(), 1); // the driver's text
}

QTEST_GUILESS_MAIN(TestAlertIntake)
#include "tst_alert_intake.moc"
