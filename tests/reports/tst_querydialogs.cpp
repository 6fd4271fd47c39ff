// The two detail-bill query dialogs driven as a person drives them, on the
// back end under test: filters, screen pages, messages, print, preview-free
// PDF output and the CSV export.

#include "RecordingPrompt.h"
#include "TestDatabase.h"

#include "print/ReportOutput.h"
#include "print/ReportPainter.h"
#include "reports/CCalleeQueryDlg.h"
#include "reports/CDateQueryDlg.h"
#include "reports/DetailCsv.h"
#include "reports/DetailLine.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace qalor;
using qalor::test::RecordingPrompt;
using qalor::test::TestDatabase;

namespace {

// Calls of January 2024: 8001 makes 35 local calls (统计类型 0) and one long
// distance call, 8002 two long distance calls, and one call has no caller.
void seed(const TestDatabase& db)
{
    QStringList rows;
    for (int i = 1; i <= 35; ++i)
        rows << QStringLiteral("('8001','8%1','2401%2','10%3',60,0.2,1,0.2,0.05,0.01,'本地',0)")
                    .arg(i, 7, 10, QLatin1Char('0'))
                    .arg(i % 28 + 1, 2, 10, QLatin1Char('0'))
                    .arg(i, 4, 10, QLatin1Char('0'));
    rows << QStringLiteral("('8001','01012345678','240110','090000',120,0.7,2,1.4,0.1,0.5,'北京',2)");
    rows << QStringLiteral("('8002','01012345678','240111','090000',120,0.7,2,1.4,0,0.5,'北京',2)");
    rows << QStringLiteral("('8002','01087654321','240112','090000',60,0.7,1,0.7,0,0,'北京',2)");
    rows << QStringLiteral("('','01012345678','240113','090000',60,0.7,1,0.7,0,0,'北京',2)");
    for (const QString& row : rows)
        db.execute(QStringLiteral("INSERT INTO 话费表 VALUES ") + row);
}

template <class Widget> Widget* child(QWidget& dialog, const QString& text)
{
    for (Widget* widget : dialog.findChildren<Widget*>()) {
        if constexpr (std::is_same_v<Widget, QLineEdit> || std::is_same_v<Widget, QComboBox>) {
            if (widget->accessibleName() == text)
                return widget;
            for (QLabel* label : dialog.findChildren<QLabel*>())
                if (label->buddy() == widget && label->text() == text)
                    return widget;
        } else if (widget->text() == text) {
            return widget;
        }
    }
    qFatal("no control %s", qPrintable(text));
}

void click(QWidget& dialog, const QString& caption)
{
    QPushButton* button = child<QPushButton>(dialog, caption);
    QVERIFY2(button->isEnabled(), qPrintable(caption));
    button->click();
}

bool enabled(QWidget& dialog, const QString& caption)
{
    return child<QPushButton>(dialog, caption)->isEnabled();
}

void setPeriod(QWidget& dialog, QDate start, QDate end)
{
    const QList<QDateEdit*> pickers = dialog.findChildren<QDateEdit*>();
    pickers[0]->setDate(start);
    pickers[1]->setDate(end);
}

void january(QWidget& dialog)
{
    setPeriod(dialog, QDate(2024, 1, 1), QDate(2024, 1, 31));
}

void type(QWidget& dialog, const QString& field, const QString& text)
{
    QLineEdit* edit = child<QLineEdit>(dialog, field);
    QVERIFY2(!edit->isReadOnly(), qPrintable(field));
    edit->setText(text);
}

// The callers of the calls listed, in order.
QStringList callers(const QStringList& lines)
{
    QStringList callers;
    for (const QString& line : lines.mid(1))
        if (!line.contains(QStringLiteral("小计金额")))
            callers << line.section(QLatin1Char(' '), 0, 0);
    return callers;
}

// A printer name that no machine has.
QString missingPrinter()
{
    return QStringLiteral("qalor-test-no-such-printer-%1").arg(QCoreApplication::applicationPid());
}

// A print setup that sends the job to a PDF file and counts how often the
// print dialog would have been shown.
struct PdfPrinterSetup
{
    explicit PdfPrinterSetup(const QString& file)
    {
        ReportOutput::installPrinterSetup([this, file](QPrinter& printer, QString&, QWidget*) {
            ++shown;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(file);
            return accept;
        });
    }
    ~PdfPrinterSetup() { ReportOutput::installPrinterSetup({}); }
    int shown = 0;
    bool accept = true;
};

// 查询 and then 导出 in the called-number dialog over January's calls to
// 01012345678: the bytes of the file written (empty when none was).
// The January calls to 01012345678 exported by the button named, into file.
void exportJanuaryCallsTo01012345678(const QString& button, const QString& file)
{
    ReportOutput::installFileChooser(
        [&](QWidget*, const QString&, const QString&, const QString&) { return file; });
    CCalleeQueryDlg dialog;
    january(dialog);
    type(dialog, QStringLiteral("被叫号："), QStringLiteral("01012345678"));
    child<QCheckBox>(dialog, QStringLiteral("完整被叫号"))->setChecked(true);
    click(dialog, QStringLiteral("查询"));
    click(dialog, button);
    ReportOutput::installFileChooser({});
}

QByteArray exportJanuaryCallsTo01012345678()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("详单.csv"));
    exportJanuaryCallsTo01012345678(QStringLiteral("导出"), file);
    QFile csv(file);
    return csv.open(QIODevice::ReadOnly) ? csv.readAll() : QByteArray();
}

} // namespace

class TestQueryDialogs : public QObject
{
    Q_OBJECT
private slots:
    // Fields as wide as what they hold, in aligned label/field columns,
    // however wide the dialog (the result list makes it wide).
    void filtersSizedToTheirContent_data()
    {
        QTest::addColumn<bool>("byCallee");
        QTest::newRow("按日期查询") << false;
        QTest::newRow("按被叫号查询") << true;
    }
    void filtersSizedToTheirContent()
    {
        QFETCH(bool, byCallee);
        TestDatabase db;
        RecordingPrompt prompt;
        std::unique_ptr<QDialog> dialog;
        if (byCallee)
            dialog = std::make_unique<CCalleeQueryDlg>();
        else
            dialog = std::make_unique<CDateQueryDlg>();
        dialog->resize(1200, 700);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        const QList<QDateEdit*> pickers = dialog->findChildren<QDateEdit*>();
        QCOMPARE(pickers.size(), 2);
        QLineEdit* caller = child<QLineEdit>(*dialog, QStringLiteral("主叫号"));
        QCOMPARE(pickers[0]->width(), pickers[1]->width());
        QVERIFY2(pickers[0]->width() < 200, qPrintable(QString::number(pickers[0]->width())));
        // Four digits need less room than a date.
        QVERIFY2(caller->width() < pickers[0]->width(), qPrintable(QString::number(caller->width())));
        QVERIFY(caller->width() >= caller->fontMetrics().horizontalAdvance(QStringLiteral("8888")));
        // Fields of one column start at one edge.
        QCOMPARE(caller->x(), pickers[0]->x());
        if (byCallee) {
            QLineEdit* callee = child<QLineEdit>(*dialog, QStringLiteral("被叫号："));
            QCOMPARE(callee->x(), pickers[0]->x());
            QVERIFY(callee->width() > caller->width());
            QVERIFY(callee->width() < 400);
        }
    }

    void dateQueryRestrictions_data()
    {
        QTest::addColumn<QString>("caller");
        QTest::addColumn<int>("countType");
        QTest::addColumn<QStringList>("callers");
        QTest::addColumn<QString>("subtotal");
        QTest::newRow("type alone") << QString() << 2 << QStringList{"8001", "8002", "8002", ""}
                                    << QStringLiteral("5.30");
        QTest::newRow("caller and type") << QStringLiteral("8002") << 2 << QStringList{"8002", "8002"}
                                         << QStringLiteral("2.60");
        QTest::newRow("caller, other type") << QStringLiteral("8002") << 0 << QStringList{}
                                            << QStringLiteral("0.00");
    }
    void dateQueryRestrictions()
    {
        QFETCH(QString, caller);
        QFETCH(int, countType);
        QFETCH(QStringList, callers);
        QFETCH(QString, subtotal);
        TestDatabase db;
        seed(db);
        RecordingPrompt prompt;
        CDateQueryDlg dialog;
        january(dialog);
        QVERIFY(!child<QComboBox>(dialog, QStringLiteral("统计类型"))->isEnabled());
        if (!caller.isEmpty()) {
            child<QCheckBox>(dialog, QStringLiteral("指定主叫号:"))->setChecked(true);
            type(dialog, QStringLiteral("主叫号"), caller);
        }
        child<QCheckBox>(dialog, QStringLiteral("指定统计类型:"))->setChecked(true);
        child<QComboBox>(dialog, QStringLiteral("统计类型"))->setCurrentIndex(countType);
        click(dialog, QStringLiteral("查询"));

        const QStringList lines = dialog.listLines();
        QCOMPARE(lines.first(), DetailLine::dateListHeader());
        QCOMPARE(::callers(lines), callers);
        QCOMPARE(lines.last(), QStringLiteral("         小计金额:") + subtotal);
        QVERIFY(!enabled(dialog, QStringLiteral("下一页")));
        QVERIFY(!enabled(dialog, QStringLiteral("第一页")));
        QVERIFY(prompt.texts.isEmpty());
    }

    // 36 calls of 8001: pages of 30 and 6, then back to the first.
    void pagesAndPrintKeepTheSubtotal()
    {
        TestDatabase db;
        seed(db);
        RecordingPrompt prompt;
        QTemporaryDir dir;
        PdfPrinterSetup setup(dir.filePath(QStringLiteral("bill.pdf")));
        CDateQueryDlg dialog;
        january(dialog);

        // Nothing to print before a query: said so, no print dialog.
        click(dialog, QStringLiteral("打印"));
        QCOMPARE(prompt.texts, QStringList{DetailQueryDialog::queryFirstText()});
        QCOMPARE(setup.shown, 0);
        prompt.texts.clear();

        child<QCheckBox>(dialog, QStringLiteral("指定主叫号:"))->setChecked(true);
        type(dialog, QStringLiteral("主叫号"), QStringLiteral("8001"));
        click(dialog, QStringLiteral("查询"));
        QCOMPARE(dialog.listLines().size(), 31);
        QVERIFY(enabled(dialog, QStringLiteral("下一页")));
        QVERIFY(!enabled(dialog, QStringLiteral("第一页")));

        // A print in the middle of the pages: the whole result, and the list
        // goes on where it was.
        click(dialog, QStringLiteral("打印"));
        QCOMPARE(setup.shown, 1);
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("bill.pdf"))));
        QVERIFY(prompt.texts.isEmpty());

        click(dialog, QStringLiteral("下一页"));
        const QStringList second = dialog.listLines();
        QCOMPARE(second.size(), 1 + 6 + 1);
        // 35 × 0.26 + 2.00
        QCOMPARE(second.last(), QStringLiteral("         小计金额:11.10"));
        QVERIFY(!enabled(dialog, QStringLiteral("下一页")));
        QVERIFY(enabled(dialog, QStringLiteral("第一页")));

        click(dialog, QStringLiteral("第一页"));
        QCOMPARE(dialog.listLines().size(), 31);
        QVERIFY(!dialog.listLines().last().contains(QStringLiteral("小计金额")));
        click(dialog, QStringLiteral("下一页"));
        QCOMPARE(dialog.listLines(), second);
        QVERIFY(prompt.texts.isEmpty());
    }

    void calleeQueryMessages_data()
    {
        QTest::addColumn<QString>("callee");
        QTest::addColumn<bool>("limitCaller");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QStringList>("callers");
        // Two lines on screen, not a literal "/n".
        QTest::newRow("no called number: no query")
            << QString() << false << QList<bool>{}
            << QStringList{QStringLiteral("请输入被叫号的头几个数字!\n如果要查全部记录,请用按日期查询.")}
            << QStringList{};
        QTest::newRow("empty caller, Cancel: no query")
            << QStringLiteral("010") << true << QList<bool>{false}
            << QStringList{CCalleeQueryDlg::noCallerQuestion()} << QStringList{};
        QTest::newRow("empty caller, OK: the calls without a caller")
            << QStringLiteral("010") << true << QList<bool>{true}
            << QStringList{CCalleeQueryDlg::noCallerQuestion()} << QStringList{""};
        QTest::newRow("leading digits") << QStringLiteral("0101") << false << QList<bool>{} << QStringList{}
                                        << QStringList{"8001", "8002", ""};
    }
    void calleeQueryMessages()
    {
        QFETCH(QString, callee);
        QFETCH(bool, limitCaller);
        QFETCH(QList<bool>, answers);
        QFETCH(QStringList, texts);
        QFETCH(QStringList, callers);
        TestDatabase db;
        seed(db);
        RecordingPrompt prompt;
        prompt.answers = answers;
        CCalleeQueryDlg dialog;
        january(dialog);
        type(dialog, QStringLiteral("被叫号："), callee);
        child<QCheckBox>(dialog, QStringLiteral("限定主叫号为："))->setChecked(limitCaller);
        click(dialog, QStringLiteral("查询"));
        QCOMPARE(prompt.texts, texts);
        if (callers.isEmpty()) {
            QVERIFY(dialog.listLines().isEmpty());
            QVERIFY(!dialog.lastQuery());
        } else {
            QCOMPARE(dialog.listLines().first(), DetailLine::calleeListHeader());
            QCOMPARE(::callers(dialog.listLines()), callers);
        }
    }

    // Esc closes 按被叫号查询 and prints nothing.
    void escapeClosesWithoutPrinting()
    {
        TestDatabase db;
        seed(db);
        RecordingPrompt prompt;
        QTemporaryDir dir;
        PdfPrinterSetup setup(dir.filePath(QStringLiteral("bill.pdf")));
        CCalleeQueryDlg dialog;
        january(dialog);
        type(dialog, QStringLiteral("被叫号："), QStringLiteral("010"));
        click(dialog, QStringLiteral("查询"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(setup.shown, 0);
        QVERIFY(prompt.texts.isEmpty());
    }

    // Cancel in the print setup prints nothing and says nothing; a printer
    // that cannot be opened says so.
    void printSetupCancelledOrPrinterMissing()
    {
        TestDatabase db;
        seed(db);
        RecordingPrompt prompt;
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("bill.pdf"));
        PdfPrinterSetup setup(file);
        setup.accept = false;
        CDateQueryDlg dialog;
        january(dialog);
        click(dialog, QStringLiteral("查询"));
        click(dialog, QStringLiteral("打印"));
        QCOMPARE(setup.shown, 1);
        QVERIFY(!QFile::exists(file));
        QVERIFY(prompt.texts.isEmpty());

        ReportOutput::installPrinterSetup([](QPrinter& printer, QString& chosen, QWidget*) {
            chosen = missingPrinter();
            printer.setOutputFormat(QPrinter::NativeFormat);
            printer.setPrinterName(chosen);
            return true;
        });
        click(dialog, QStringLiteral("打印"));
        ReportOutput::installPrinterSetup({});
        QCOMPARE(prompt.texts, QStringList{ReportPainter::printerFailureText()});
    }

    // A printer that is not there is a failure whatever printers the machine
    // has: Qt would put the default printer in its place, and the bill must
    // not come out there. The report is not even built.
    void missingPrinterPrintsNothingElsewhere_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("named"); // the name the setup gives the printer
        QTest::newRow("a name no printer has") << missingPrinter() << missingPrinter();
        QTest::newRow("no name at all") << QString() << missingPrinter();
    }
    void missingPrinterPrintsNothingElsewhere()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, named);
        RecordingPrompt prompt;
        ReportOutput::installPrinterSetup([&](QPrinter& printer, QString& chosenPrinter, QWidget*) {
            chosenPrinter = chosen;
            printer.setOutputFormat(QPrinter::NativeFormat);
            printer.setPrinterName(named);
            return true;
        });
        int built = 0;
        const bool printed = ReportOutput::print(nullptr, [&](const PageGeometry&) {
            ++built;
            ReportDocument document;
            document.pages.append(ReportPage{});
            return document;
        });
        ReportOutput::installPrinterSetup({});
        QVERIFY(!printed);
        QCOMPARE(built, 0);
        QCOMPARE(prompt.texts, QStringList{ReportPainter::printerFailureText()});
    }

    // A call table that cannot be read: the fixed text and the driver's own,
    // and nothing to print afterwards.
    void tableThatCannotBeOpened()
    {
        TestDatabase db;
        db.execute(QStringLiteral("DROP TABLE 话费表"));
        RecordingPrompt prompt;
        CCalleeQueryDlg dialog;
        january(dialog);
        type(dialog, QStringLiteral("被叫号："), QStringLiteral("010"));
        click(dialog, QStringLiteral("查询"));
        QCOMPARE(prompt.texts.size(), 2);
        QCOMPARE(prompt.texts[0], QStringLiteral("felt open table!"));
        QVERIFY(!prompt.texts[1].isEmpty());
        QVERIFY(dialog.listLines().isEmpty());
        QVERIFY(!enabled(dialog, QStringLiteral("下一页")));
        prompt.texts.clear();
        click(dialog, QStringLiteral("导出"));
        QCOMPARE(prompt.texts, QStringList{DetailQueryDialog::queryFirstText()});
    }

    // A bill printed to a file in the print setup gets the paper chosen there.
    void printToFileKeepsTheChosenPaper()
    {
        TestDatabase db;
        seed(db);
        RecordingPrompt prompt;
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("bill.pdf"));
        ReportOutput::installPrinterSetup([&](QPrinter& printer, QString&, QWidget*) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(file);
            printer.setPageSize(QPageSize(QPageSize::Letter));
            printer.setPageOrientation(QPageLayout::Landscape);
            return true;
        });
        CDateQueryDlg dialog;
        january(dialog);
        click(dialog, QStringLiteral("查询"));
        click(dialog, QStringLiteral("打印"));
        ReportOutput::installPrinterSetup({});
        QVERIFY(prompt.texts.isEmpty());
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {file});
        QVERIFY(info.waitForFinished(60000));
        const QString out = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(out.contains(QStringLiteral("792 x 612 pts")), qPrintable(out));
        // 39 calls on landscape Letter (about 62 slots): one page.
        QVERIFY2(out.contains(QRegularExpression(QStringLiteral("Pages: +1\\n"))), qPrintable(out));
    }

    void exportWritesEveryCall()
    {
        TestDatabase db;
        seed(db);
        RecordingPrompt prompt;
        const QByteArray bytes = exportJanuaryCallsTo01012345678();
        QCOMPARE(prompt.texts.size(), 1);
        QVERIFY2(prompt.texts.first().startsWith(QStringLiteral("已导出到文件 ")) &&
                     prompt.texts.first().endsWith(QStringLiteral("/详单.csv")),
                 qPrintable(prompt.texts.first()));
        prompt.texts.clear();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        // 时长 is stored as HHMMSS digits (120 is 1 min 20 s); the file has seconds.
        QCOMPARE(QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n")),
                 (QStringList{DetailCsv::heading().join(QLatin1Char(',')),
                              QStringLiteral("8001,01012345678,240110,090000,80,0.70,2,1.40,0.10,0.50,北京"),
                              QStringLiteral("8002,01012345678,240111,090000,80,0.70,2,1.40,0.00,0.50,北京"),
                              QStringLiteral(",01012345678,240113,090000,60,0.70,1,0.70,0.00,0.00,北京"),
                              QString()}));

        // The same calls as a typed sheet: numbers that are identifiers stay
        // text, the date is a date, the duration a time, amounts numbers.
        QTemporaryDir dir;
        const QString book = dir.filePath(QStringLiteral("详单.xlsx"));
        exportJanuaryCallsTo01012345678(QStringLiteral("导出Excel"), book);
        QCOMPARE(prompt.texts, QStringList{Prompt::exportedText(book)});
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"),
                    {QStringLiteral("-p"), book, QStringLiteral("xl/worksheets/sheet1.xml")});
        QVERIFY(unzip.waitForFinished(30000));
        const QString sheet = QString::fromUtf8(unzip.readAllStandardOutput());
        for (const char* cell : {"<c r=\"A2\" t=\"s\">", "<c r=\"B2\" t=\"s\">", "<c r=\"D2\" t=\"s\">"})
            QVERIFY2(sheet.contains(QLatin1String(cell)), cell);
        for (const char* value :
             {"C2\" s=\"\\d+\"><v>45301</v>", "E2\" s=\"\\d+\"><v>0.000925925925925926</v>",
              "H2\" s=\"\\d+\"><v>1.4</v>", "G2\"><v>2</v>"})
            QVERIFY2(sheet.contains(QRegularExpression(QStringLiteral("<c r=\"") + QLatin1String(value))),
                     qPrintable(sheet));
        QVERIFY(sheet.contains(QStringLiteral("<c r=\"K4\"")));
        QVERIFY(!sheet.contains(QStringLiteral("<c r=\"A5\"")));
        // The duration is headed as in every sheet, without a unit: its cells show the time.
        unzip.start(QStringLiteral("unzip"),
                    {QStringLiteral("-p"), book, QStringLiteral("xl/sharedStrings.xml")});
        QVERIFY(unzip.waitForFinished(30000));
        const QString strings = QString::fromUtf8(unzip.readAllStandardOutput());
        QVERIFY2(strings.contains(QStringLiteral("<t>通话时长</t>")), qPrintable(strings));
    }

    // A destination a spreadsheet would run as a formula is exported as text.
    void exportedDestinationIsNeverAFormula()
    {
        TestDatabase db;
        seed(db);
        db.execute(QStringLiteral("UPDATE 话费表 SET 通达地='=HYPERLINK(\"http://x\")' WHERE 主叫号=''"));
        RecordingPrompt prompt;
        const QByteArray bytes = exportJanuaryCallsTo01012345678();
        QCOMPARE(prompt.texts.size(), 1);
        const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 5);
        QVERIFY2(lines[3].startsWith(QStringLiteral(",01012345678,240113,090000,60,")), qPrintable(lines[3]));
        QVERIFY2(lines[3].endsWith(QStringLiteral(",\"'=HYPERLINK(\"\"http://x\"\")\"")),
                 qPrintable(lines[3]));
    }
};

QTEST_MAIN(TestQueryDialogs)
#include "tst_querydialogs.moc"
