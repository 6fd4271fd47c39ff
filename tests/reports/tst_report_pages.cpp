#include "GoldenFile.h"
#include "RecordingPrompt.h"
#include "StatisticsData.h"
#include "TestDatabase.h"

#include "reports/MonthlyReport.h"
#include "reports/PayNotice.h"

#include <QTest>

using namespace qalor;
using namespace qalor::test;

namespace {

const QDate Jan1(2024, 1, 1);
const QDate Jan31(2024, 1, 31);
// A4 at 600 dpi less the margins, and a short page: 14 slots, so the monthly
// report breaks after line 9.
const PageGeometry A4{4760, 6776, 85};
const PageGeometry Short{4760, 14 * 85, 85};

void verifyGolden(const ReportDocument& document, const QString& name)
{
    QString why;
    QVERIFY2(matchesGolden(QStringLiteral(QALOR_GOLDEN_DIR "/") + name + QStringLiteral(".txt"), document.dump(),
                           &why),
             qPrintable(why));
}

// Department 1 fills the first page to line 8; department 2's header,
// column header and rule land on lines 9-13 and its first extension on
// line 14, after which the page breaks.
void seedTwoDepartments(const TestDatabase& db)
{
    addExtensionTotals(db, "8001", "张三", 1, "财务处", 15, 1.7, 0.8, 5.5, 0.999);
    addExtensionTotals(db, "8002", "李四", 1, "财务处", 10, 1, 0, 0, 0);
    addExtensionTotals(db, "8003", "欧阳修远航", 1, "财务处", 0, 0, 0, 0, 2.5);
    addExtensionTotals(db, "8004", "Wang", 1, "财务处", 12.5, 1234.5, 0, 0.05, 0);
    addExtensionTotals(db, "8101", "王五", 2, "后勤处", 12, 0, 0.8, 0, 5);
    addExtensionTotals(db, "8102", "赵六", 2, "后勤处", 20, 3, 2, 1, 0.004);
    addExtensionTotals(db, "8300", "钱七", 3, "车队", 30, 0, 0, 0, 0);
}

} // namespace

class TestReportPages : public QObject
{
    Q_OBJECT
private slots:
    void monthlyReport_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<bool>("shortPage");
        QTest::addColumn<QString>("golden");
        QTest::newRow("extensions across a page break") << 0 << 1 << 2 << true << "monthly_format0_page_break";
        QTest::newRow("extensions, one department") << 0 << 3 << 3 << false << "monthly_format0_one_department";
        QTest::newRow("extensions, empty range") << 0 << 50 << 60 << false << "monthly_format0_empty";
        QTest::newRow("departments") << 1 << 1 << 9 << false << "monthly_format1";
        QTest::newRow("departments, empty range") << 1 << 50 << 60 << false << "monthly_format1_empty";
    }
    void monthlyReport()
    {
        QFETCH(int, format);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(bool, shortPage);
        QFETCH(QString, golden);
        TestDatabase db;
        RecordingPrompt prompt;
        seedTwoDepartments(db);
        addDepartmentTotals(db, 1, "财务处   ", 37.5, 1236.2, 0.8, 5.55, 3.499);
        addDepartmentTotals(db, 2, "后勤服务中心第一分部", 32, 3, 2.8, 1, 5.004);
        addDepartmentTotals(db, 3, "车队", 30, 0, 0, 0, 0);
        // the period printed is the one asked for, not the run's
        const MonthlyReport report(CDatabase::shared(), {Jan1, QDate(2024, 2, 15), {first, last},
                                                         MonthlyReport::Format(format)});
        verifyGolden(report.build(shortPage ? Short : A4), golden);
        QVERIFY(prompt.texts.isEmpty());
    }

    void unreadableResultTableIsReported_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("message");
        QTest::newRow("tj") << 0 << "不能打开统计表:请确认已经统计过!";
        QTest::newRow("BMTJ") << 1 << "Open table bmtj FAILed!";
    }
    void unreadableResultTableIsReported()
    {
        QFETCH(int, format);
        QFETCH(QString, message);
        TestDatabase db;
        RecordingPrompt prompt;
        db.execute(format == 0 ? "DROP TABLE tj" : "DROP TABLE BMTJ");
        const MonthlyReport report(CDatabase::shared(), {Jan1, Jan31, {0, 100}, MonthlyReport::Format(format)});
        QVERIFY(report.build(A4).isEmpty());
        QCOMPARE(prompt.texts, QStringList{message});
    }

    void payNotices_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("limit");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("golden");
        QTest::newRow("departments") << 0 << false << "0000" << "9999" << "notice_departments";
        // text comparison: 12345 lies inside "0000"-"9999", A100 and 99999 do not
        QTest::newRow("extensions") << 1 << false << "0000" << "9999" << "notice_extensions";
        QTest::newRow("extensions of department 2") << 1 << true << "0000" << "9999" << "notice_extensions_limited";
    }
    void payNotices()
    {
        QFETCH(int, kind);
        QFETCH(bool, limit);
        QFETCH(QString, first);
        QFETCH(QString, last);
        QFETCH(QString, golden);
        TestDatabase db;
        RecordingPrompt prompt;
        addDepartment(db, 1, "财务处", 0.1);
        addDepartment(db, 2, "后勤处", 0);
        // department 3 has no row in 部门表: no fee
        // charges of department 1 sum to 200.00: the fee is 0.10 x 200.00 = 20.00
        addDepartmentTotals(db, 1, "财务处", 15, 120, 50, 20, 10);
        addDepartmentTotals(db, 2, "后勤处", 12, 1.5, 0, 0, 0);
        addDepartmentTotals(db, 3, "车队", 0, 0, 0, 3.25, 0);
        addExtensionTotals(db, "8001", "张三", 1, "财务处", 15, 120, 50, 20, 10);
        addExtensionTotals(db, "12345", "李四", 2, "后勤处", 12, 1.5, 0, 0, 0);
        addExtensionTotals(db, "A100", "王五", 2, "后勤处", 0, 9, 0, 0, 0);
        addExtensionTotals(db, "99999", "赵六", 2, "后勤处", 0, 8, 0, 0, 0);
        PayNotice::Options options;
        options.kind = PayNotice::Kind(kind);
        options.start = Jan1;
        options.end = Jan31;
        options.departments = {2, 3};
        options.limitDepartments = limit;
        options.extensions = {first, last};
        options.today = QDate(2024, 2, 3);
        if (kind == PayNotice::Departments)
            options.departments = {1, 3};
        verifyGolden(PayNotice(CDatabase::shared(), options).build(A4), golden);
        QVERIFY(prompt.texts.isEmpty());
    }

    void shortPageIsPrintedOnlyAfterConfirmation_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void shortPageIsPrintedOnlyAfterConfirmation()
    {
        QFETCH(bool, answer);
        TestDatabase db;
        RecordingPrompt prompt;
        prompt.answers = {answer};
        addDepartmentTotals(db, 1, "财务处", 15, 120, 50, 20, 10);
        PayNotice::Options options;
        options.start = Jan1;
        options.end = Jan31;
        options.departments = {1, 1};
        PayNotice notices(CDatabase::shared(), options);

        // exactly 42 slots is tall enough
        QCOMPARE(notices.build({4760, 42 * 85, 85}).pages.size(), 1);
        QVERIFY(prompt.texts.isEmpty());

        const ReportDocument document = notices.build({4760, 42 * 85 - 1, 85});
        QCOMPARE(prompt.texts, QStringList{"纸张高度不足以打印三联缴费通知单,第三联将被截断.\n"
                                           "仍然打印请选'确定',否则请选'取消'并更换纸张."});
        QCOMPARE(document.pages.size(), answer ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(TestReportPages)
#include "tst_report_pages.moc"
