#include "StatisticsData.h"
#include "TestDatabase.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

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
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()),
                 QString("\uFEFF部门编号,部门名,月租费,市话,本地网,长途,信息台等\r\n"
                         "1,财务处,15.00,1.70,0.00,3.50,0.00\r\n"));

        // The same rows as a typed sheet: the extension stays text, amounts
        // are numbers with two decimals.
        const QString xlsx = dir.filePath("tj.xlsx");
        report = runTool(db, {"monthly", "--from", "2024-01-01", "--to", "2024-01-31", "--xlsx", xlsx});
        QCOMPARE(report.status, 0);
        QProcess unzip;
        unzip.start("unzip", {"-p", xlsx, "xl/worksheets/sheet1.xml"});
        QVERIFY(unzip.waitForFinished(30000));
        const QString sheet = QString::fromUtf8(unzip.readAllStandardOutput());
        QVERIFY2(sheet.contains(QRegularExpression("<c r=\"A2\"[^>]* t=\"s\"")), qPrintable(sheet));
        QVERIFY2(sheet.contains(QRegularExpression("<c r=\"F2\" s=\"\\d+\"><v>15</v></c>")),
                 qPrintable(sheet));
        QVERIFY2(sheet.contains(QRegularExpression("<c r=\"G2\" s=\"\\d+\"><v>1.7</v></c>")),
                 qPrintable(sheet));
        QVERIFY(sheet.contains("<c r=\"A3\""));
        QVERIFY(!sheet.contains("<c r=\"A4\""));
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
        QCOMPARE(QString::fromUtf8(file.readAll()).split("\r\n"),
                 (QStringList{
                     "\uFEFF主叫号,被叫号,日期,时间,通话秒数,话费,规则编号,规则名称,告警说明,告警时间,确认人,"
                     "确认时间",
                     "8002,0044207946,2026-03-01,08:00:00,60,100.00,1,单次话费达到100元,说明,"
                     "2026-03-16 08:00:00,,",
                     "8001,0044207946,2026-03-15,23:30:00,60,1.20,2,夜间国际长途,说明,2026-03-16 08:00:00,"
                     "Headkeeper,2026-03-16 09:00:00",
                     ""}));

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
        if (!setup.isEmpty())
            db.execute(setup);
        QTemporaryDir dir;
        const QString pdf = dir.filePath("x.pdf");
        arguments.replaceInStrings("x.pdf", pdf);
        const Outcome outcome = runTool(db, arguments);
        QCOMPARE(outcome.status, status);
        QVERIFY2(outcome.err.contains(message), qPrintable(outcome.err));
        QVERIFY(!QFile::exists(pdf));
        QVERIFY(tableRows("统计历史记录表").isEmpty());
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
