// The page model on paper: a detail bill written as a PDF file and read back
// with pdftotext, and the care taken that a failed print leaves no file.

#include "CallFixtures.h"

#include "print/ReportPainter.h"
#include "reports/DetailBill.h"

#include <QFile>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <stdexcept>

using namespace qalor;
using namespace qalor::test;

namespace {

DetailBillOptions january(DetailLayout layout)
{
    return {layout, QDate(2024, 1, 1), QDate(2024, 1, 31)};
}

ReportBuilder billOf(int calls, DetailLayout layout)
{
    return [=](const PageGeometry& page) {
        CallListSource source(numberedCalls(calls));
        return DetailBill::build(source, page, january(layout));
    };
}

QStringList pdfText(const QString& file)
{
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    if (!tool.waitForFinished(60000) || tool.exitCode() != 0)
        return {};
    QStringList lines;
    for (const QString& line : QString::fromUtf8(tool.readAllStandardOutput()).split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            lines << line;
    return lines;
}

// The end positions of the third to the tenth blank-separated field.
QList<qsizetype> columnEnds(const QString& line)
{
    QList<qsizetype> ends;
    qsizetype at = 0;
    for (int field = 0; field < 10; ++field) {
        while (at < line.size() && line[at] == QLatin1Char(' '))
            ++at;
        while (at < line.size() && line[at] != QLatin1Char(' '))
            ++at;
        if (field >= 2)
            ends << at;
    }
    return ends;
}

} // namespace

class TestReportPainter : public QObject
{
    Q_OBJECT
private slots:
    // At 600 dpi an A4 sheet gives the slots the reports were laid out for,
    // and the report font's line is the 85 pixels they count with.
    void a4Geometry()
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        ReportPainter::prepare(printer);
        const PageGeometry page = ReportPainter::geometry(printer);
        QCOMPARE(page.lineHeight, 85);
        QVERIFY2(page.height / page.lineHeight >= 76 && page.height / page.lineHeight <= 84,
                 qPrintable(QString::number(page.height)));
        QVERIFY(page.width > 4000 && page.width < page.height);
    }

    void readBackFromPdf_data()
    {
        QTest::addColumn<DetailLayout>("layout");
        QTest::newRow("date layout") << DetailLayout::ByDate;
        QTest::newRow("called-number layout") << DetailLayout::ByCallee;
    }
    void readBackFromPdf()
    {
        QFETCH(DetailLayout, layout);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("详单.pdf"));
        QString error;
        bool written = false;
        QVERIFY2(ReportPainter::writePdf(billOf(90, layout), file, &error, &written), qPrintable(error));
        QVERIFY(written);

        const QStringList lines = pdfText(file);
        QVERIFY2(!lines.isEmpty(), "pdftotext read nothing");
        // Title with the period and the page number, Chinese text intact.
        const QString title = DetailBill::title(january(layout), 1).trimmed();
        QVERIFY2(lines[0].simplified() == title.simplified(), qPrintable(lines[0]));
        QVERIFY(title.contains(QStringLiteral("月")) && title.contains(QStringLiteral("日"))
                && title.contains(QStringLiteral("至")) && title.contains(QStringLiteral("页")));
        QVERIFY2(lines[1].simplified().startsWith(QStringLiteral("主叫号 被叫号 日期 时间 通话时长")),
                 qPrintable(lines[1]));
        QVERIFY(lines[1].contains(QStringLiteral("通达地")));

        // The calls in order, every column where the padding put it.
        const QList<CallRow> calls = numberedCalls(90);
        QStringList callLines;
        for (const QString& line : lines)
            if (line.contains(QStringLiteral("240105")))
                callLines << line;
        QCOMPARE(callLines.size(), calls.size());
        // Where the columns from the date to the surcharge end: the same on
        // every line whatever the called number's length.
        const QList<qsizetype> columns = columnEnds(callLines[0]);
        for (int i = 0; i < calls.size(); ++i) {
            const QString& line = callLines[i];
            QVERIFY2(line.trimmed().startsWith(calls[i].caller + QLatin1Char(' ') + calls[i].callee),
                     qPrintable(line));
            QVERIFY2(line.contains(QLatin1Char(' ') + QString::number(calls[i].charge, 'f', 2) + QLatin1Char(' ')),
                     qPrintable(line));
            QCOMPARE(columnEnds(line), columns);
            QVERIFY2(line.trimmed().endsWith(calls[i].destination), qPrintable(line));
        }
        QVERIFY(lines.last().contains(QStringLiteral("小计金额:")));
        QVERIFY(lines.join(QLatin1Char('\n')).simplified().contains(DetailBill::title(january(layout), 2).simplified()));
    }

    // A report that fails while it is built (a database error) leaves an
    // earlier file of the chosen name as it was and no temporary file behind.
    void failedBuildLeavesNoFile()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("bill.pdf"));
        {
            QFile earlier(file);
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write("earlier");
        }
        const ReportBuilder failing = [](const PageGeometry&) -> ReportDocument {
            throw std::runtime_error("lost the connection");
        };
        QString error;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, ReportPainter::writePdf(failing, file, &error));
        QFile earlier(file);
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("earlier"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("bill.pdf")});
    }

    void unwritableFolderWritesNothing()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("missing/bill.pdf"));
        QString error;
        bool written = true;
        QVERIFY(!ReportPainter::writePdf(billOf(3, DetailLayout::ByDate), file, &error, &written));
        QVERIFY(!written);
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFile::exists(file));
    }
};

QTEST_MAIN(TestReportPainter)
#include "tst_reportpainter.moc"
