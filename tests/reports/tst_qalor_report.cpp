#include "StatisticsData.h"
#include "TestDatabase.h"

#include "db/WorkLock.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

using namespace qalor;
using namespace qalor::test;

namespace {

struct Outcome
{
    int status = -1;
    QString out;
    QString err;
};

Outcome runTool(const TestDatabase& db, QStringList arguments)
{
    arguments << QStringLiteral("--connection") << db.connectionString();
    QProcess process;
    process.start(QStringLiteral(QALOR_REPORT), arguments);
    if (!process.waitForFinished(120000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

QString pdfText(const QString& fileName)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), fileName, QStringLiteral("-")});
    process.waitForFinished(60000);
    // The layout pdftotext guesses does not keep the blanks: compare words.
    return QString::fromUtf8(process.readAllStandardOutput()).simplified();
}

QString words(const char* text)
{
    return QString::fromUtf8(text).simplified();
}

void seed(const TestDatabase& db)
{
    addDepartment(db, 1, "财务处", 0.1);
    addDepartment(db, 2, "后勤处");
    addUser(db, "8001", "张三", 1, 15);
    addUser(db, "8002", "李四", 2, 10);
    addCall(db, "8001", "240105", 0, 1.5, 0.2);
    addCall(db, "8001", "240110", 2, 3.0, 0.5);
    addCall(db, "8002", "240131", 3, 0.999);
    addCall(db, "8002", "240201", 0, 50);
}

} // namespace

class TestQalorReport : public QObject
{
    Q_OBJECT
private slots:
    void statsThenReportsToPdfAndCsv()
    {
        TestDatabase db;
        seed(db);
        QTemporaryDir dir;

        Outcome stats = runTool(db, {"stats", "--from", "2024-01-01", "--to", "2024-01-31"});
        QCOMPARE(stats.status, 0);
        QVERIFY2(stats.err.contains("统计完毕!"), qPrintable(stats.err));
        QCOMPARE(tableRows("tj"), (QStringList{"8001|张三|15.00|0|1|财务处|1.70|0.00|3.50|0.00",
                                               "8002|李四|10.00|0|2|后勤处|0.00|0.00|0.00|1.00"}));

        const QString monthly = dir.filePath("monthly.pdf");
        Outcome report = runTool(db, {"monthly", "--from", "2024-01-01", "--to", "2024-01-31", "--pdf", monthly});
        QCOMPARE(report.status, 0);
        QCOMPARE(report.out, "qalor-report: 已导出到文件 " + monthly + "\n");
        const QString text = pdfText(monthly);
        QVERIFY2(text.contains("电话费月统计报表"), qPrintable(text));
        QVERIFY2(text.contains(words("部门:财务处   统计日期:20240101--20240131")), qPrintable(text));
        QVERIFY2(text.contains(words("8001       张三     15.00        1.70       0.00       3.50       0.00      20.20")),
                 qPrintable(text));
        QVERIFY2(text.contains(words("全部总计:     25.00      1.70      0.00      3.50      1.00 共:     31.20")),
                 qPrintable(text));

        const QString notices = dir.filePath("notices.pdf");
        report = runTool(db, {"notices", "--from", "2024-01-01", "--to", "2024-01-31", "--kind", "extensions",
                              "--first-extension", "8002", "--pdf", notices});
        QCOMPARE(report.status, 0);
        const QString noticeText = pdfText(notices);
        QCOMPARE(noticeText.count("李四:贵单位 分机:8002"), 3);
        QVERIFY(!noticeText.contains("张三"));

        const QString csv = dir.filePath("bmtj.csv");
        report = runTool(db, {"monthly", "--from", "2024-01-01", "--to", "2024-01-31", "--format", "1",
                              "--last-department", "1", "--csv", csv});
        QCOMPARE(report.status, 0);
        QCOMPARE(report.out, "qalor-report: 已导出到文件 " + csv + "\n");
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()),
                 QString("\uFEFF部门编号,部门名,月租费,市话,本地网,长途,信息台等,小计\r\n"
                         "1,财务处,15.00,1.70,0.00,3.50,0.00,20.20\r\n"));

        // The same rows as a typed sheet under a title naming the period:
        // the extension stays text, amounts are numbers with two decimals.
        const QString xlsx = dir.filePath("tj.xlsx");
        report = runTool(db, {"monthly", "--from", "2024-01-01", "--to", "2024-01-31", "--xlsx", xlsx});
        QCOMPARE(report.status, 0);
        QProcess unzip;
        unzip.start("unzip", {"-p", xlsx, "xl/worksheets/sheet1.xml"});
        QVERIFY(unzip.waitForFinished(30000));
        const QString sheet = QString::fromUtf8(unzip.readAllStandardOutput());
        QVERIFY2(sheet.contains(QRegularExpression("<c r=\"A3\"[^>]* t=\"s\"")), qPrintable(sheet));
        QVERIFY2(sheet.contains(QRegularExpression("<c r=\"F3\" s=\"\\d+\"><v>15</v></c>")),
                 qPrintable(sheet));
        QVERIFY2(sheet.contains(QRegularExpression("<c r=\"G3\" s=\"\\d+\"><v>1.7</v></c>")),
                 qPrintable(sheet));
        QVERIFY2(sheet.contains(QRegularExpression("<c r=\"K3\" s=\"\\d+\"><v>20.2</v></c>")),
                 qPrintable(sheet));
        QVERIFY(sheet.contains("<c r=\"A4\""));
        QVERIFY(!sheet.contains("<c r=\"A5\""));
        QVERIFY(!sheet.contains("<c r=\"B1\""));
        unzip.start("unzip", {"-p", xlsx, "xl/sharedStrings.xml"});
        QVERIFY(unzip.waitForFinished(30000));
        QVERIFY(QString::fromUtf8(unzip.readAllStandardOutput())
                    .contains("<t>电话费月统计报表  统计日期:20240101--20240131</t>"));
    }

    // tj holds one run's figures: a report asked for another period is
    // refused (status 2, no file) unless --run-stats totals that period
    // first; without --from and --to it is the last run's. Every charge
    // column holds a different amount in each month, so a column read into
    // another's place shows.
    void reportsPrintOnlyTheLastRunsPeriod()
    {
        TestDatabase db;
        addDepartment(db, 1, "财务处");
        addUser(db, "8001", "张三", 1, 11);
        int type = 0;
        for (double amount : {1.1, 2.2, 3.3, 4.4})
            addCall(db, "8001", "261110", type++, amount);
        type = 0;
        for (double amount : {5.5, 6.6, 7.7, 8.8})
            addCall(db, "8001", "261210", type++, amount - 0.5, 0.5);
        QTemporaryDir dir;
        QCOMPARE(runTool(db, {"stats", "--from", "2026-12-01", "--to", "2026-12-31"}).status, 0);

        const QStringList november{"--from", "2026-11-01", "--to", "2026-11-30"};
        const QString refusal =
            "qalor-report: 统计表中是20261201--20261231的统计结果,不是20261101--20261130的:请先统计这个时段"
            "(--run-stats)!\n";
        for (const QStringList& command : {QStringList{"monthly", "--pdf", dir.filePath("11.pdf")},
                                           {"notices", "--xlsx", dir.filePath("11.xlsx")}}) {
            const Outcome outcome = runTool(db, command + november);
            QCOMPARE(outcome.status, 2);
            QVERIFY2(outcome.err.endsWith(refusal), qPrintable(outcome.err));
            QVERIFY(!QFile::exists(command.last()));
        }

        // The last run's period and figures when none is given.
        const QString december = dir.filePath("12.pdf");
        QCOMPARE(runTool(db, {"monthly", "--pdf", december}).status, 0);
        QString text = pdfText(december);
        QVERIFY2(text.contains(words("部门:财务处 统计日期:20261201--20261231")), qPrintable(text));
        QVERIFY2(text.contains(words("8001 张三 11.00 5.50 6.60 7.70 8.80 39.60")), qPrintable(text));

        // --run-stats: November's own figures under November's heading.
        const QString csv = dir.filePath("11.csv");
        Outcome outcome = runTool(db, QStringList{"monthly", "--run-stats", "--csv", csv} + november);
        QCOMPARE(outcome.status, 0);
        QVERIFY2(outcome.err.contains("统计完毕!"), qPrintable(outcome.err));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(
            QString::fromUtf8(file.readAll()),
            QString(
                "\uFEFF电话号码,用户名,是否宿舍电话,部门编号,部门名,月租费,市话,本地网,长途,信息台等,总计\r\n"
                "8001,张三,0,1,财务处,11.00,1.10,2.20,3.30,4.40,22.00\r\n"));
        const QString xlsx = dir.filePath("11.xlsx");
        QCOMPARE(runTool(db, QStringList{"monthly", "--xlsx", xlsx} + november).status, 0);
        QProcess unzip;
        unzip.start("unzip", {"-p", xlsx, "xl/worksheets/sheet1.xml"});
        QVERIFY(unzip.waitForFinished(30000));
        const QString sheet = QString::fromUtf8(unzip.readAllStandardOutput());
        for (const char* cell :
             {"F3\" s=\"\\d+\"><v>11<", "G3\" s=\"\\d+\"><v>1.1<", "H3\" s=\"\\d+\"><v>2.2<",
              "I3\" s=\"\\d+\"><v>3.3<", "J3\" s=\"\\d+\"><v>4.4<", "K3\" s=\"\\d+\"><v>22<"})
            QVERIFY2(sheet.contains(QRegularExpression("<c r=\"" + QString::fromUtf8(cell))), cell);
        const QString pdf = dir.filePath("11.pdf");
        QCOMPARE(runTool(db, QStringList{"monthly", "--format", "1", "--pdf", pdf} + november).status, 0);
        text = pdfText(pdf);
        QVERIFY2(text.contains(words("统计日期：20261101--20261130")), qPrintable(text));
        QVERIFY2(text.contains(words("财务处 11.00 1.10 2.20 3.30 4.40 22.00")), qPrintable(text));
        QCOMPARE(tableRows("统计历史记录表").size(), 2);

        // --run-stats needs the period it is to total.
        outcome = runTool(db, {"notices", "--run-stats", "--pdf", pdf});
        QCOMPARE(outcome.status, 2);
        QVERIFY2(outcome.err.contains("--from YYYY-MM-DD is needed"), qPrintable(outcome.err));
    }

    // Names a spreadsheet would run as formulas come out as text; the
    // figures stay numbers.
    void csvCellsAreNeverFormulas()
    {
        TestDatabase db;
        addDepartment(db, 1, "=HYPERLINK(\"http://x\",\"财务处\")");
        addUser(db, "8001", "@张三", 1, 15);
        addCall(db, "8001", "240105", 0, 1.5, 0.2);
        QTemporaryDir dir;
        QCOMPARE(runTool(db, {"stats", "--from", "2024-01-01", "--to", "2024-01-31"}).status, 0);
        const QString period[] = {"--from", "2024-01-01", "--to", "2024-01-31"};
        const auto lines = [&](const QString& format) {
            const QString csv = dir.filePath("report" + format + ".csv");
            const Outcome outcome = runTool(db, QStringList{"monthly", "--format", format, "--csv", csv} +
                                                    QStringList(std::begin(period), std::end(period)));
            QFile file(csv);
            if (outcome.status != 0 || !file.open(QIODevice::ReadOnly))
                return QStringList{outcome.err};
            return QString::fromUtf8(file.readAll()).split("\r\n");
        };
        const QStringList departments = lines("1");
        QCOMPARE(departments.size(), 3);
        QVERIFY2(departments[1].startsWith("1,\"'=HYPERLINK(\"\"http://x\"\",\"\"财务处\"\")\","),
                 qPrintable(departments[1]));
        const QStringList extensions = lines("0");
        QCOMPARE(extensions.size(), 3);
        QVERIFY2(extensions[1].startsWith("8001,'@张三,0,1,\"'=HYPERLINK("), qPrintable(extensions[1]));
    }

    // A stored rule the engine passes over is named beside the list.
    void alertsNameAnUnusableRule()
    {
        TestDatabase db;
        db.execute("UPDATE 告警规则表 SET 金额=1e15 WHERE 规则编号=1");
        QTemporaryDir dir;
        const Outcome outcome = runTool(
            db, {"alerts", "--from", "2026-03-01", "--to", "2026-03-31", "--csv", dir.filePath("alerts.csv")});
        QCOMPARE(outcome.status, 0);
        QVERIFY2(outcome.err.contains("qalor-report: 告警规则1“单次话费达到100元”无法使用,未作检查: "
                                      "列“金额”只能填入0.01到131071.99之间的金额.\n"),
                 qPrintable(outcome.err));
    }

    // The alerts of the calls of a period: as CSV for a spreadsheet, as PDF to file.
    void alertsOfAPeriod()
    {
        TestDatabase db;
        const auto alert = [&](const char* caller, const char* date, const char* time, double billed,
                               int rule, const char* name, const char* by) {
            db.execute(
                QString(
                    "INSERT INTO 告警记录表 "
                    "(主叫号,被叫号,日期,时间,通话秒数,话费,规则编号,规则名称,告警说明,"
                    "告警日期,告警时间,确认人,确认日期,确认时间) VALUES ('%1','0044207946','%2','%3',60,%4,"
                    "%5,'%6','说明','20260316','080000','%7','%8','%9')")
                    .arg(caller, date, time)
                    .arg(billed)
                    .arg(rule)
                    .arg(QString::fromUtf8(name), QString::fromUtf8(by),
                         *by ? QString("20260316") : QString(), *by ? QString("090000") : QString()));
        };
        alert("8001", "260315", "233000", 1.2, 2, "夜间国际长途", "Headkeeper");
        alert("8002", "260301", "080000", 100.0, 1, "单次话费达到100元", "");
        alert("8003", "260401", "080000", 5, 1, "下月", "");
        QTemporaryDir dir;

        const QString csv = dir.filePath("alerts.csv");
        Outcome outcome = runTool(db, {"alerts", "--from", "2026-03-01", "--to", "2026-03-31", "--csv", csv});
        QCOMPARE(outcome.status, 0);
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(
            QString::fromUtf8(file.readAll()).split("\r\n"),
            (QStringList{
                "\uFEFF主叫号,被叫号,日期,时间,通话时长(秒),话费,规则编号,规则名称,告警说明,告警时间,确认人,"
                "确认时间",
                "8002,0044207946,2026-03-01,08:00:00,60,100.00,1,单次话费达到100元,说明,"
                "2026-03-16 08:00:00,,",
                "8001,0044207946,2026-03-15,23:30:00,60,1.20,2,夜间国际长途,说明,2026-03-16 08:00:00,"
                "Headkeeper,2026-03-16 09:00:00",
                ""}));

        // The sheet: the duration a time under the heading every sheet gives
        // it, the alert's moment a date-time.
        const QString xlsx = dir.filePath("alerts.xlsx");
        QCOMPARE(runTool(db, {"alerts", "--from", "2026-03-01", "--to", "2026-03-31", "--xlsx", xlsx}).status,
                 0);
        QProcess unzip;
        unzip.start("unzip", {"-p", xlsx, "xl/worksheets/sheet1.xml", "xl/sharedStrings.xml"});
        QVERIFY(unzip.waitForFinished(30000));
        const QString sheet = QString::fromUtf8(unzip.readAllStandardOutput());
        QVERIFY2(sheet.contains(QRegularExpression("<c r=\"E2\" s=\"\\d+\"><v>0.000694444444444444")),
                 qPrintable(sheet));
        QVERIFY2(sheet.contains(QRegularExpression("<c r=\"J2\" s=\"\\d+\"><v>46097.33333333334</v>")),
                 qPrintable(sheet));
        QVERIFY(sheet.contains("<t>通话时长</t>"));

        const QString pdf = dir.filePath("alerts.pdf");
        outcome = runTool(db, {"alerts", "--from", "2026-03-01", "--to", "2026-03-31", "--pdf", pdf});
        QCOMPARE(outcome.status, 0);
        const QString text = pdfText(pdf);
        QVERIFY2(text.contains(words("2026-03-15 23:30:00 8001 0044207946 1.20 夜间国际长途 Headkeeper")),
                 qPrintable(text));
        QVERIFY2(text.contains(words("单次话费达到100元 未确认")), qPrintable(text));
        QVERIFY(text.contains(words("共2条告警")));
        QVERIFY(!text.contains("8003"));
    }

    void failuresExitNonZeroWithTheMessage_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const QStringList period{"--from", "2024-01-01", "--to", "2024-01-31"};
        QTest::newRow("bad statistics type") << "INSERT INTO 统计类型表 VALUES (5, '长途 + 1')"
                                             << QStringList{"stats"} + period << 1
                                             << "统计类型表第5行(统计类型 5)的类型描述\"长途 + 1\"不是统计表的费用列";
        QTest::newRow("no result table") << "DROP TABLE tj" << QStringList{"monthly", "--pdf", "x.pdf"} + period
                                         << 1 << "不能打开统计表:请确认已经统计过!";
        QTest::newRow("no statistics run")
            << "" << QStringList{"notices", "--pdf", "x.pdf"} << 2 << "还没有统计结果:请先进行统计操作!";
        QTest::newRow("half a period")
            << "" << QStringList{"monthly", "--from", "2024-01-01", "--pdf", "x.pdf"} << 2
            << "--to YYYY-MM-DD is needed";
        QTest::newRow("not a date") << "" << QStringList{"stats", "--from", "2024-13-01", "--to", "2024-01-31"}
                                    << 2 << "--from: \"2024-13-01\" is not a date YYYY-MM-DD";
        QTest::newRow("no output") << "" << QStringList{"notices"} + period << 2
                                   << "give one of --pdf FILE, --csv FILE or --xlsx FILE";
        QTest::newRow("unknown option")
            << "" << QStringList{"stats", "--month", "2024-01"} + period << 2 << "Unknown option 'month'.";
    }
    void failuresExitNonZeroWithTheMessage()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, message);
        TestDatabase db;
        seed(db);
        // The reports print the last run, here of the period asked for.
        if (QTest::currentDataTag() == QLatin1String("no result table"))
            db.execute("INSERT INTO 统计历史记录表 VALUES ('20240101','20240131','2024-02-01 02:00:00')");
        const QStringList history = tableRows("统计历史记录表");
        if (!setup.isEmpty())
            db.execute(setup);
        QTemporaryDir dir;
        const QString pdf = dir.filePath("x.pdf");
        arguments.replaceInStrings("x.pdf", pdf);
        const Outcome outcome = runTool(db, arguments);
        QCOMPARE(outcome.status, status);
        QVERIFY2(outcome.err.contains(message), qPrintable(outcome.err));
        QVERIFY(!QFile::exists(pdf));
        QCOMPARE(tableRows("统计历史记录表"), history);
    }

    void twoRunsAtOnceCountThePeriodOnce()
    {
        TestDatabase db;
        seed(db);
        // The test holds the lock while both runs start, so that both find it
        // taken and set off together the moment it is free.
        const int history = db.scalar("SELECT COUNT(*) FROM 统计历史记录表").toInt();
        CDatabase holder(db.connectionString());
        std::optional<CTransaction> held(holder);
        WorkLock::take(holder);
        const QStringList arguments{"stats",      "--from",       "2024-01-01",         "--to",
                                    "2024-01-31", "--connection", db.connectionString()};
        QProcess runs[2];
        QString said[2];
        for (QProcess& run : runs)
            run.start(QStringLiteral(QALOR_REPORT), arguments);
        const auto waiting = [&](int i) {
            said[i] += QString::fromUtf8(runs[i].readAllStandardError());
            return said[i].contains(WorkLock::waitingText());
        };
        QTRY_VERIFY_WITH_TIMEOUT(waiting(0) && waiting(1), 60000);
        held.reset();
        for (int i = 0; i < 2; ++i) {
            QVERIFY(runs[i].waitForFinished(120000));
            said[i] += QString::fromUtf8(runs[i].readAllStandardError());
            QCOMPARE(runs[i].exitCode(), 0);
            QVERIFY2(said[i].endsWith("统计完毕!\n"), qPrintable(said[i]));
        }
        // One run's figures, each extension and department once; both runs
        // are in the history.
        QCOMPARE(tableRows("tj"), (QStringList{"8001|张三|15.00|0|1|财务处|1.70|0.00|3.50|0.00",
                                               "8002|李四|10.00|0|2|后勤处|0.00|0.00|0.00|1.00"}));
        QCOMPARE(tableRows("BMTJ"),
                 (QStringList{"1|财务处|15.00|1.70|0.00|3.50|0.00", "2|后勤处|10.00|0.00|0.00|0.00|1.00"}));
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM 统计历史记录表").toInt(), history + 2);
    }

    void unreachableDataSourceFails()
    {
        QProcess process;
        process.start(QStringLiteral(QALOR_REPORT), {"stats", "--from", "2024-01-01", "--to", "2024-01-31",
                                                     "--connection", "DRIVER={No Such Driver};Database=nowhere"});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 1);
        QVERIFY(!process.readAllStandardError().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestQalorReport)
#include "tst_qalor_report.moc"
