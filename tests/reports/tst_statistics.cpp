#include "RecordingPrompt.h"
#include "StatisticsData.h"
#include "TestDatabase.h"

#include "reports/CountResults.h"
#include "reports/DepartmentList.h"
#include "reports/StatisticsRun.h"

#include "db/WorkLock.h"

#include <QTest>

using namespace qalor;
using namespace qalor::test;

namespace {

const QDate Jan1(2024, 1, 1);
const QDate Jan31(2024, 1, 31);
const QDateTime RunTime(QDate(2024, 2, 2), QTime(9, 30, 5));

// Two departments; 8004 names a department that does not exist, 8005 has
// only information-service charges, 8006 has nothing at all.
void seed(const TestDatabase& db)
{
    addDepartment(db, 1, "财务处", 0.1);
    addDepartment(db, 2, "后勤处");
    addUser(db, "8001", "张三", 1, 15);
    addUser(db, "8002", "李四", 1, 10);
    addUser(db, "8003", "王五", 2, 12);
    addUser(db, "8004", "赵六", 9, 20);
    addUser(db, "8005", "钱七", 2);
    addUser(db, "8006", "孙八", 2);

    addCall(db, "8001", "240105", 0, 1.5, 0.2);
    addCall(db, "8001", "240105", 0, 1.5, 0.2); // the same call stored twice
    addCall(db, "8001", "240110", 2, 3.0, 0.5);
    addCall(db, "8001", "240111", 4, 2.0);
    addCall(db, "8001", "240112", 7, 2.25);
    addCall(db, "8001", "240113", 7, 1.25);
    addCall(db, "8001", "240201", 0, 100); // after the period
    addCall(db, "8001", "231231", 0, 100); // before it
    addCall(db, "8002", "240131", 0, 0.999);
    addCall(db, "8003", "240101", 1, 0.8);
    addCall(db, "8004", "240115", 0, 1.0);
    addCall(db, "8005", "240116", 3, 5.0);
    addCall(db, "", "240117", 0, 9.0);
    addCall(db, "#12", "240118", 0, 7.0);
}

QStringList resultTables()
{
    QStringList all;
    for (const char* table : {"tj", "BMTJ", "HF", "临时统计表", "统计历史记录表"})
        all << QString::fromUtf8(table) + QLatin1Char(':') + tableRows(QString::fromUtf8(table)).join(QLatin1Char(';'));
    return all;
}

} // namespace

class TestStatistics : public QObject
{
    Q_OBJECT
private slots:
    void runTotalsExtensionsAndDepartments()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        seed(db);
        db.execute("INSERT INTO 统计类型表 VALUES (4, '长途')"); // two types on one column

        StatisticsRun run(CDatabase::shared());
        QVERIFY(run.run(Jan1, Jan31, RunTime));

        // 8001: the twin call once, 长途 3.50 + 2.00 added; 8002: 0.999 is 1.00;
        // 8004 has no department row; empty and "#12" callers are not counted.
        QCOMPARE(tableRows("tj"), (QStringList{
                                      "8001|张三|15.00|0|1|财务处|1.70|0.00|5.50|0.00",
                                      "8002|李四|10.00|0|1|财务处|1.00|0.00|0.00|0.00",
                                      "8003|王五|12.00|0|2|后勤处|0.00|0.80|0.00|0.00",
                                      "8005|钱七|0.00|0|2|后勤处|0.00|0.00|0.00|5.00",
                                      "8006|孙八|0.00|0|2|后勤处|0.00|0.00|0.00|0.00",
                                  }));
        QCOMPARE(tableRows("BMTJ"), (QStringList{"1|财务处|25.00|2.70|0.00|5.50|0.00",
                                                 "2|后勤处|12.00|0.00|0.80|0.00|5.00"}));
        QCOMPARE(tableRows("统计历史记录表"), QStringList{"20240101|20240131|2024-02-02 09:30:05"});
        QCOMPARE(tableRows("HF").size(), 11);

        // the unregistered extension still shows in the preview's list
        QCOMPARE(db.column("SELECT 主叫号 FROM 临时统计表 WHERE 费用>0 AND 主叫号 NOT IN (SELECT 电话号码 FROM TJ) "
                           "ORDER BY 主叫号"),
                 QStringList{"8004"});

        // type 7 has no row: its two calls are named, not dropped silently
        QCOMPARE(prompt.texts, (QStringList{"以下统计类型在统计类型表中没有登记,其话费没有计入统计结果:\n"
                                            "统计类型 7: 2 次通话, 话费 3.50",
                                            "统计完毕!"}));
        QCOMPARE(run.unregistered().size(), 1);
    }

    void periodWithoutCallsKeepsEveryExtensionAndDepartment()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        seed(db);
        StatisticsRun run(CDatabase::shared());
        QVERIFY(run.run(QDate(2023, 6, 1), QDate(2023, 6, 30), RunTime));
        QCOMPARE(tableRows("tj").size(), 5);
        for (const QString& row : tableRows("tj"))
            QVERIFY2(row.endsWith("|0.00|0.00|0.00|0.00"), qPrintable(row));
        QCOMPARE(tableRows("BMTJ"), (QStringList{"1|财务处|25.00|0.00|0.00|0.00|0.00",
                                                 "2|后勤处|12.00|0.00|0.00|0.00|0.00"}));
        QCOMPARE(prompt.texts, QStringList{"统计完毕!"});
    }

    void failureAtTheSixthStatementLeavesEveryTableAsBefore()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        seed(db);
        StatisticsRun run(CDatabase::shared());
        QVERIFY(run.run(Jan1, Jan31, RunTime));
        addCall(db, "8002", "240120", 2, 4.0);
        const QStringList before = resultTables();
        prompt.texts.clear();

        // Refuse every row of 临时统计表: the sixth statement fails after
        // tj and HF have been refilled.
        if (TestDatabase::isPostgres()) {
            db.execute("CREATE FUNCTION refuse_sums() RETURNS trigger AS $$ BEGIN RAISE EXCEPTION "
                       "'sums refused'; END $$ LANGUAGE plpgsql");
            db.execute("CREATE TRIGGER refuse_sums BEFORE INSERT ON 临时统计表 FOR EACH ROW EXECUTE FUNCTION "
                       "refuse_sums()");
        } else {
            db.execute("CREATE TRIGGER refuse_sums BEFORE INSERT ON 临时统计表 BEGIN SELECT RAISE(ABORT, "
                       "'sums refused'); END");
        }
        QVERIFY(!run.run(Jan1, Jan31, RunTime.addDays(1)));
        QCOMPARE(prompt.texts.size(), 1);
        QVERIFY2(prompt.texts.first().contains("sums refused"), qPrintable(prompt.texts.first()));
        QCOMPARE(resultTables(), before);

        // the connection works on: without the trigger the next run completes
        db.execute(TestDatabase::isPostgres() ? "DROP TRIGGER refuse_sums ON 临时统计表"
                                              : "DROP TRIGGER refuse_sums");
        QVERIFY(run.run(Jan1, Jan31, RunTime.addDays(1)));
        QVERIFY(tableRows("tj").contains("8002|李四|10.00|0|1|财务处|1.00|0.00|4.00|0.00"));
        QCOMPARE(tableRows("统计历史记录表").size(), 2);
    }

    // Another program's run (or call-table job) holds the data source: the
    // dialog's run is refused at once with a text saying why, nothing changes.
    void runWhileAnotherHoldsTheDataSourceIsRefused()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        seed(db);
        StatisticsRun run(CDatabase::shared());
        QVERIFY(run.run(Jan1, Jan31, RunTime));
        addCall(db, "8002", "240120", 2, 4.0);
        const QStringList before = resultTables();
        prompt.texts.clear();
        {
            CDatabase other(db.connectionString());
            CTransaction held(other);
            WorkLock::take(other);
            QVERIFY(!run.run(Jan1, Jan31, RunTime.addDays(1)));
            QCOMPARE(prompt.texts, QStringList{WorkLock::busyText()});
        }
        QCOMPARE(resultTables(), before);
        QVERIFY(run.run(Jan1, Jan31, RunTime.addDays(1)));
        QVERIFY(tableRows("tj").contains("8002|李四|10.00|0|1|财务处|1.00|0.00|4.00|0.00"));
    }

    void badTypeDescriptionChangesNothing_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("message");
        const QString tail = "\"不是统计表的费用列,\n类型描述只能是 市话、本地网、长途 或 信息台等,统计工作无法进行!";
        QTest::newRow("not a column") << "通话费" << "统计类型表第5行(统计类型 9)的类型描述\"通话费" + tail;
        QTest::newRow("statement text") << "市话=0, 长途" << "统计类型表第5行(统计类型 9)的类型描述\"市话=0, 长途" + tail;
        QTest::newRow("empty") << "" << "统计类型表第5行(统计类型 9)的类型描述\"" + tail;
    }
    void badTypeDescriptionChangesNothing()
    {
        QFETCH(QString, description);
        QFETCH(QString, message);
        TestDatabase db;
        RecordingPrompt prompt;
        seed(db);
        StatisticsRun run(CDatabase::shared());
        QVERIFY(run.run(Jan1, Jan31, RunTime));
        const QStringList before = resultTables();
        prompt.texts.clear();

        QSqlQuery insert = CDatabase::shared().prepare("INSERT INTO 统计类型表 VALUES (9, ?)");
        insert.bindValue(0, description);
        CDatabase::exec(insert);
        QVERIFY(!run.run(QDate(2023, 6, 1), QDate(2023, 6, 30), RunTime.addDays(1)));
        QCOMPARE(prompt.texts, QStringList{message});
        QCOMPARE(resultTables(), before);
    }

    void typeWithTwoRowsIsRefused()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        seed(db);
        db.execute("INSERT INTO 统计类型表 VALUES (2, '市话')");
        QVERIFY(!StatisticsRun(CDatabase::shared()).run(Jan1, Jan31, RunTime));
        QCOMPARE(prompt.texts, QStringList{"统计类型表第5行的统计类型 2 已经登记过一次,\n"
                                           "每个统计类型只能对应一个费用列,统计工作无法进行!"});
        QVERIFY(tableRows("tj").isEmpty());
    }

    void deletingUsersWithoutChargesKeepsInformationCharges()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        seed(db);
        QVERIFY(StatisticsRun(CDatabase::shared()).run(Jan1, Jan31, RunTime));
        CountResults results(CDatabase::shared());
        QCOMPARE(results.deleteUsersWithoutCharges(), 1);
        QStringList phones;
        for (const ExtensionTotals& row : results.extensions())
            phones << row.phone;
        QCOMPARE(phones, (QStringList{"8001", "8002", "8003", "8005"}));
        // BMTJ is not recomputed
        QCOMPARE(tableRows("BMTJ").size(), 2);
    }

    // Every range of the reports and notices holds both of its ends.
    void rangesHoldBothEnds_data()
    {
        QTest::addColumn<int>("firstDepartment");
        QTest::addColumn<int>("lastDepartment");
        QTest::addColumn<QString>("firstExtension");
        QTest::addColumn<QString>("lastExtension");
        QTest::addColumn<QStringList>("extensions");
        QTest::addColumn<QStringList>("departments");
        QTest::newRow("one department") << 2 << 2 << "0000" << "9999" << QStringList{"8003", "8005", "8006"}
                                        << QStringList{"2"};
        QTest::newRow("both departments by their numbers")
            << 1 << 2 << "0000" << "9999" << QStringList{"8001", "8002", "8003", "8005", "8006"}
            << QStringList{"1", "2"};
        QTest::newRow("extensions named at both ends")
            << 1 << 2 << "8002" << "8005" << QStringList{"8002", "8003", "8005"} << QStringList{"1", "2"};
        QTest::newRow("one extension") << 1 << 2 << "8003" << "8003" << QStringList{"8003"} << QStringList{"1", "2"};
        QTest::newRow("first department only at its end")
            << 0 << 1 << "8001" << "8001" << QStringList{"8001"} << QStringList{"1"};
        QTest::newRow("nothing between the ends") << 3 << 9 << "8007" << "9999" << QStringList{} << QStringList{};
    }
    void rangesHoldBothEnds()
    {
        QFETCH(int, firstDepartment);
        QFETCH(int, lastDepartment);
        QFETCH(QString, firstExtension);
        QFETCH(QString, lastExtension);
        QFETCH(QStringList, extensions);
        QFETCH(QStringList, departments);
        TestDatabase db;
        RecordingPrompt prompt;
        seed(db);
        QVERIFY(StatisticsRun(CDatabase::shared()).run(Jan1, Jan31, RunTime));
        CountResults results(CDatabase::shared());
        QStringList phones;
        for (const ExtensionTotals& row :
             results.extensions(DepartmentRange{firstDepartment, lastDepartment},
                                ExtensionRange{firstExtension, lastExtension}))
            phones << row.phone;
        QCOMPARE(phones, extensions);
        QStringList numbers;
        for (const DepartmentTotals& row : results.departments(DepartmentRange{firstDepartment, lastDepartment}))
            numbers << QString::number(row.department);
        QCOMPARE(numbers, departments);
    }

    // The period holds its first and its last day, nothing outside them.
    void periodHoldsBothEnds()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        seed(db);
        addCall(db, "8006", "240201", 0, 40.0);
        addCall(db, "8006", "231231", 0, 40.0);
        addCall(db, "8006", "240131", 0, 2.0);
        addCall(db, "8006", "240101", 1, 3.0);
        QVERIFY(StatisticsRun(CDatabase::shared()).run(Jan1, Jan31, RunTime));
        const QList<ExtensionTotals> rows =
            CountResults(CDatabase::shared()).extensions(std::nullopt, ExtensionRange{"8006", "8006"});
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().local.text(), QStringLiteral("2.00"));
        QCOMPARE(rows.first().localNetwork.text(), QStringLiteral("3.00"));
    }

    void lastRunAndDepartmentsForTheDialogs()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        CountResults results(CDatabase::shared());
        QVERIFY(!results.lastRun());
        db.execute("INSERT INTO 统计历史记录表 VALUES ('20240101','20240131','2024-02-02 09:30:05')");
        db.execute("INSERT INTO 统计历史记录表 VALUES ('20240201','20240229','2024-03-01 08:00:00')");
        db.execute("INSERT INTO 统计历史记录表 VALUES ('20231201','20231231','2024-01-03 10:00:00')");
        const std::optional<CountRun> last = results.lastRun();
        QVERIFY(last);
        QCOMPARE(last->startDate, QString("20240201"));
        QCOMPARE(last->endDate, QString("20240229"));
        QCOMPARE(last->runTime, QString("2024-03-01 08:00:00"));

        // no 200-department limit; numbers of 200 and above keep their names
        for (int number = 250; number >= 1; --number)
            addDepartment(db, number, QString("部门%1").arg(number), number == 230 ? 0.05 : 0);
        const DepartmentList departments = DepartmentList::load();
        QCOMPARE(departments.all().size(), 250);
        QCOMPARE(departments.all().first().number, 1);
        QCOMPARE(departments.all().last().number, 250);
        QCOMPARE(departments.nameOf(230), QString("部门230"));
        QCOMPARE(departments.ratioOf(230), 0.05f);
        QCOMPARE(departments.ratioOf(999), 0.0f);
    }
};

QTEST_GUILESS_MAIN(TestStatistics)
#include "tst_statistics.moc"
