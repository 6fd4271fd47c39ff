#include "RecordingPrompt.h"
#include "StatisticsData.h"
#include "TestDatabase.h"

#include "gui/DialogRunner.h"
#include "gui/GridModel.h"
#include "print/ReportOutput.h"
#include "reports/CCountPreviewDlg.h"
#include "reports/CMonthCountDlg.h"
#include "reports/CPayNoticeDlg.h"
#include "reports/ChartScale.h"
#include "reports/DailyCallsChart.h"
#include "reports/DepartmentChart.h"
#include "reports/DepartmentRangeBox.h"

#include <QAction>
#include <QApplication>
#include <QChart>
#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace qalor;
using namespace qalor::test;

namespace {

QPushButton* button(QWidget& parent, const QString& caption)
{
    for (QPushButton* candidate : parent.findChildren<QPushButton*>())
        if (candidate->text() == caption)
            return candidate;
    return nullptr;
}

template <class Widget> Widget* named(QWidget& parent, const QString& name)
{
    for (Widget* candidate : parent.findChildren<Widget*>())
        if (candidate->accessibleName() == name || candidate->property("text").toString() == name)
            return candidate;
    return nullptr;
}

QString pdfWords(const QString& fileName)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), fileName, QStringLiteral("-")});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput()).simplified();
}

void seed(const TestDatabase& db)
{
    addDepartment(db, 1, "财务处", 0.1);
    addDepartment(db, 250, "第二百五十部");
    addUser(db, "8001", "张三", 1, 15);
    addUser(db, "8002", "李四", 250);
    addUser(db, "8003", "王五", 250);
    addUser(db, "8004", "赵六", 9);
    addCall(db, "8001", "240105", 0, 1.5, 0.25);
    addCall(db, "8002", "240106", 3, 2.0);
    addCall(db, "8004", "240107", 0, 4.0);
}

// Prints go to a PDF file instead of the print dialog.
class PdfPrinter
{
public:
    PdfPrinter()
    {
        ReportOutput::installPrinterSetup([this](QPrinter& printer, QString&, QWidget*) {
            ++setups;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(file);
            return true;
        });
    }
    ~PdfPrinter() { ReportOutput::installPrinterSetup({}); }
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("printed.pdf"));
    int setups = 0;
};

} // namespace

class TestStatisticsDialogs : public QObject
{
    Q_OBJECT
private:
    // What the result preview shows and does after the run of the fixture.
    static void inspectPreview(CCountPreviewDlg& preview)
    {
        GridModel& model = preview.model();
        QCOMPARE(model.recordCount(), 3);
        button(preview, "显示未登记分机")->click();
        QCOMPARE(model.recordCount(), 1);
        QCOMPARE(model.value(0, 0).toString(), QString("8004"));
        button(preview, "部门统计结果")->click();
        QCOMPARE(model.recordCount(), 2);
        button(preview, "分机统计结果")->click();
        // 8003 has neither charges nor rental; 8002 only 信息台等 and stays
        button(preview, "删除无费用户")->click();
        QCOMPARE(model.recordCount(), 2);
        QCOMPARE(model.value(1, 0).toString(), QString("8002"));

        QCOMPARE(preview.pages().tabText(1), QString("图表"));
        QCOMPARE(preview.chart().categories(), (QStringList{"财务处", "第二百五十部"}));
        const QList<QList<double>> values = preview.chart().values();
        QCOMPARE(values.size(), 5); // 市话, 本地网, 长途, 信息台等, 月租费
        QCOMPARE(values[0], (QList<double>{1.75, 0}));
        QCOMPARE(values[3], (QList<double>{0, 2}));
        QCOMPARE(values[4], (QList<double>{15, 0}));
        // The period in the title, round ticks up to the tallest bar (16.75),
        // the amount of a part over it.
        QCOMPARE(preview.chart().chart()->title(), QString("各部门费用 (2024-01-01 至 2024-01-31)"));
        QCOMPARE(preview.chart().axisTop(), 20.0);
        QCOMPARE(preview.chart().axisTicks(), 5);
        QCOMPARE(preview.chart().partTip(0, 0), QString("财务处 市话: 1.75元"));
        QCOMPARE(preview.chart().partTip(4, 0), QString("财务处 月租费: 15.00元"));

        // The month's calls by day and destination group.
        QCOMPARE(preview.pages().tabText(2), QString("每日通话"));
        DailyCallsChart& daily = preview.dailyChart();
        QCOMPARE(daily.chart()->title(), QString("每日通话次数 (2024-01-01 至 2024-01-31)"));
        QCOMPARE(daily.categories().size(), 31);
        QCOMPARE(daily.categories().at(4), QString("1-5"));
        const QList<QList<double>> calls = daily.values();
        QCOMPARE(calls.size(), 4); // 市话, 长途, 国际, 信息台
        QCOMPARE(calls[0].mid(4, 3), (QList<double>{1, 0, 1}));
        QCOMPARE(calls[3].mid(4, 3), (QList<double>{0, 1, 0}));
        QCOMPARE(daily.axisTop(), 5.0);
        QCOMPARE(daily.partTip(3, 5), QString("1-6 信息台: 1次"));
        // A kind of call has one colour in both charts, wherever it stands in the legend.
        DepartmentChart& departments = preview.chart();
        QCOMPARE(departments.partColour("市话"), daily.partColour("市话"));
        QCOMPARE(departments.partColour("长途"), daily.partColour("长途"));
        QCOMPARE(departments.partColour("信息台等"), daily.partColour("信息台"));
        QSet<QRgb> colours;
        for (const QString& part : DepartmentChart::partNames() + QStringList{"国际"})
            colours << (part == "国际" ? static_cast<StackedBarChart&>(daily) : departments)
                           .partColour(part)
                           .rgb();
        QCOMPARE(colours.size(), 6);
    }

private slots:
    void roundTicks_data()
    {
        QTest::addColumn<double>("largest");
        QTest::addColumn<double>("top");
        QTest::addColumn<double>("step");
        QTest::addColumn<QString>("format");
        QTest::newRow("227.19") << 227.19 << 250.0 << 50.0 << "%.0f";
        QTest::newRow("113.60") << 113.60 << 120.0 << 20.0 << "%.0f";
        QTest::newRow("exactly 800") << 800.0 << 800.0 << 100.0 << "%.0f";
        QTest::newRow("1.75") << 1.75 << 2.0 << 0.5 << "%.1f";
        QTest::newRow("nothing") << 0.0 << 1.0 << 1.0 << "%.0f";
    }
    void roundTicks()
    {
        QFETCH(double, largest);
        QFETCH(double, top);
        QFETCH(double, step);
        QFETCH(QString, format);
        const ChartScale scale = ChartScale::forMaximum(largest);
        QCOMPARE(scale.top, top);
        QCOMPARE(scale.step, step);
        QCOMPARE(scale.ticks, qRound(top / step) + 1);
        QCOMPARE(scale.labelFormat(), format);
    }

    void monthCountRunsAndPrints()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        seed(db);
        CMonthCountDlg dialog;
        // no previous run
        for (const char* name : {"统计进行日期:", "统计费用时段:", "至"})
            QCOMPARE(named<QLineEdit>(dialog, QString::fromUtf8(name))->text(), QString("无"));
        QCOMPARE(dialog.startPicker()->date(), QDate::currentDate());
        // every department, numbers of 200 and above with their names
        QCOMPARE(dialog.departments()->startList()->count(), 2);
        QCOMPARE(dialog.departments()->startName(), QString("财务处"));
        QCOMPARE(dialog.departments()->endName(), QString("第二百五十部"));
        dialog.departments()->startList()->setCurrentRow(1);
        QCOMPARE(dialog.departments()->startName(), QString("第二百五十部"));
        QCOMPARE(dialog.departments()->range().first, 250);
        dialog.departments()->startList()->setCurrentRow(0);

        dialog.startPicker()->setDate(QDate(2024, 1, 1));
        dialog.endPicker()->setDate(QDate(2024, 1, 31));
        button(dialog, "统计")->click();
        QCOMPARE(prompt.texts, QStringList{"统计完毕!"});
        QCOMPARE(tableRows("tj").size(), 3);
        // The same dialog now shows the run just made as the previous one.
        QCOMPARE(named<QLineEdit>(dialog, "统计费用时段:")->text(), QString("20240101"));
        QCOMPARE(named<QLineEdit>(dialog, "至")->text(), QString("20240131"));
        QVERIFY(named<QLineEdit>(dialog, "统计进行日期:")
                    ->text()
                    .startsWith(QDate::currentDate().toString("yyyy")));

        // the previous-run texts are read when the dialog opens
        CMonthCountDlg again;
        QCOMPARE(named<QLineEdit>(again, "统计费用时段:")->text(), QString("20240101"));
        QCOMPARE(again.endPicker()->date(), QDate(2024, 1, 31));

        PdfPrinter printer;
        named<QRadioButton>(again, "仅打印部门小计(连续)报表")->setChecked(true);
        button(again, "打印")->click();
        QCOMPARE(printer.setups, 1);
        const QString text = pdfWords(printer.file);
        QVERIFY2(text.contains(QString("第二百五十部 0.00 0.00 0.00 0.00 2.00 2.00")), qPrintable(text));
        QCOMPARE(prompt.texts.size(), 1);
    }

    // 打印预览 opens at the page's width, its tool bar saying so; 导出PDF
    // says where the file went.
    void previewAtPageWidthAndExportNamed()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        seed(db);
        CMonthCountDlg dialog;
        dialog.startPicker()->setDate(QDate(2024, 1, 1));
        dialog.endPicker()->setDate(QDate(2024, 1, 31));
        dialog.runStatistics();
        int mode = -1;
        bool fitWidthChecked = false;
        QTimer closing;
        QObject::connect(&closing, &QTimer::timeout, [&] {
            auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
            if (!preview)
                return;
            mode = int(preview->findChild<QPrintPreviewWidget*>()->zoomMode());
            fitWidthChecked = preview->findChild<QAction*>("fitWidthAction")->isChecked();
            preview->reject();
        });
        closing.start(20);
        button(dialog, "打印预览")->click();
        closing.stop();
        QCOMPARE(mode, int(QPrintPreviewWidget::FitToWidth));
        QVERIFY(fitWidthChecked);

        // 导出PDF names the file it wrote.
        QTemporaryDir dir;
        const QString file = dir.filePath("月报表.pdf");
        ReportOutput::installFileChooser(
            [&](QWidget*, const QString&, const QString&, const QString&) { return file; });
        button(dialog, "导出PDF")->click();
        ReportOutput::installFileChooser({});
        QVERIFY(QFile::exists(file));
        QCOMPARE(prompt.texts, (QStringList{"统计完毕!", Prompt::exportedText(file)}));
    }

    void previewShowsSourcesDeletesAndCharts()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        seed(db);
        CMonthCountDlg month;
        month.startPicker()->setDate(QDate(2024, 1, 1));
        month.endPicker()->setDate(QDate(2024, 1, 31));
        month.runStatistics();

        QStringList ran;
        DialogRunner::install([&](QDialog& dialog) -> int {
            ran << dialog.windowTitle();
            inspectPreview(dynamic_cast<CCountPreviewDlg&>(dialog));
            return QDialog::Rejected;
        });
        button(month, "预览结果")->click();
        DialogRunner::install({});
        QCOMPARE(ran, QStringList{"统计结果预览"});
        QCOMPARE(prompt.texts, QStringList{"统计完毕!"});
    }

    void payNoticeDialogStatesAndConfirmation()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        seed(db);
        {
            CPayNoticeDlg dialog;
            QCOMPARE(dialog.lastRunText(), QString("未统计"));
            QVERIFY(named<QLineEdit>(dialog, "起始分机号")->isReadOnly());
            QVERIFY(!named<QCheckBox>(dialog, "限定部门范围")->isEnabled());
            named<QRadioButton>(dialog, "出各分机用户缴费通知")->setChecked(true);
            QVERIFY(!named<QLineEdit>(dialog, "截止分机号")->isReadOnly());
            QVERIFY(!named<QListWidget>(dialog, "起始部门编号")->isEnabled());
            named<QCheckBox>(dialog, "限定部门范围")->setChecked(true);
            QVERIFY(named<QListWidget>(dialog, "截止部门编号")->isEnabled());
            QCOMPARE(named<QLineEdit>(dialog, "起始分机号")->maxLength(), 4);
        }

        CMonthCountDlg month;
        month.startPicker()->setDate(QDate(2024, 1, 1));
        month.endPicker()->setDate(QDate(2024, 1, 31));
        month.runStatistics();
        prompt.texts.clear();

        CPayNoticeDlg dialog;
        QVERIFY(dialog.lastRunText().startsWith(QDate::currentDate().toString("yyyy-MM-dd")));
        QCOMPARE(dialog.noticeOptions().start, QDate(2024, 1, 1));
        PdfPrinter printer;
        const QString question = "确认你已经进行过统计操作,请选'确定';\n否则请选'取消',并先进行统计操作.";
        prompt.answers = {false};
        button(dialog, "打    印")->click();
        QCOMPARE(prompt.texts, QStringList{question});
        QCOMPARE(printer.setups, 0);

        button(dialog, "打    印")->click();
        QCOMPARE(printer.setups, 1);
        const QString text = pdfWords(printer.file);
        QCOMPARE(text.count("部门电话费 缴费通知单"), 6);
        // The ratio as typed: 1.75 x 0.1 is 0.175, a half cent, 0.18 (the
        // single 0.1 times 1.75 would be 0.17499999).
        QVERIFY2(text.contains("管理费:0.10x1.75 =0.18 合计:16.93"), qPrintable(text));
    }
};

QTEST_MAIN(TestStatisticsDialogs)
#include "tst_statistics_dialogs.moc"
