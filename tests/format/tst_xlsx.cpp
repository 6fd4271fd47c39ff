// Typed sheets read back from the .xlsx file itself (its sheet XML).

#include "format/XlsxSheet.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace qalor;

namespace {

QString member(const QString& file, const QString& name)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), file, name});
    unzip.waitForFinished(30000);
    return QString::fromUtf8(unzip.readAllStandardOutput());
}

// The cell's XML element, e.g. <c r="B2" s="1"><v>12.5</v></c>.
QString cellXml(const QString& sheet, const QString& reference)
{
    const QRegularExpression cell(QStringLiteral("<c r=\"%1\"[^>]*(/>|>.*?</c>)").arg(reference));
    return cell.match(sheet).captured(0);
}

} // namespace

class TestXlsx : public QObject
{
    Q_OBJECT
private slots:
    void cellsKeepTheirKind_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("cell"); // what the sheet holds: s:<shared string> or a value
        QTest::addColumn<bool>("styled");
        QTest::newRow("identifier keeps its zeros") << 0 << "006519889042"
                                                    << "s:006519889042" << false;
        QTest::newRow("money is a number") << 1 << "12.50"
                                           << "12.5" << true;
        QTest::newRow("duration in days") << 2 << "130"
                                          << "0.00150462962962963" << true;
        QTest::newRow("yymmdd is a date") << 3 << "240105"
                                          << "45296" << true;
        QTest::newRow("whole number") << 4 << "090304"
                                      << "90304" << false;
        QTest::newRow("not a number stays text") << 4 << "n/a"
                                                 << "s:n/a" << false;
        QTest::newRow("Chinese text") << 0 << "北京"
                                      << "s:北京" << false;
        QTest::newRow("a moment is a date-time") << 5 << "2026-03-16 08:00:00"
                                                 << "46097.33333333334" << true;
        QTest::newRow("a date alone is no moment") << 5 << "2026-03-16"
                                                   << "s:2026-03-16" << false;
    }
    void cellsKeepTheirKind()
    {
        QFETCH(int, column);
        QFETCH(QString, text);
        QFETCH(QString, cell);
        QFETCH(bool, styled);
        using K = XlsxSheet::Kind;
        const QList<XlsxSheet::Column> columns{{"被叫号", K::Text},  {"通话费", K::Money},
                                               {"时长", K::Seconds}, {"日期", K::Date},
                                               {"数", K::Number},    {"告警时间", K::DateTime}};
        QStringList row(columns.size());
        row[column] = text;
        QTemporaryDir dir;
        const QString file = dir.filePath("calls.xlsx");
        QString error;
        QVERIFY2(XlsxSheet::write(file, columns, {row}, &error), qPrintable(error));
        QVERIFY(!QFile::exists(file + ".part"));
        const QString sheet = member(file, "xl/worksheets/sheet1.xml");
        const QString reference = QString(QChar('A' + column)) + "2";
        const QString xml = cellXml(sheet, reference);
        QVERIFY2(!xml.isEmpty(), qPrintable(sheet));
        // The empty cells of the row are not written.
        QCOMPARE(sheet.count("<c r=\"") - columns.size(), 1);
        QCOMPARE(xml.contains(" s=\""), styled);
        if (cell.startsWith("s:")) {
            QVERIFY2(xml.contains("t=\"s\""), qPrintable(xml));
            QVERIFY(member(file, "xl/sharedStrings.xml").contains("<t>" + cell.mid(2) + "</t>"));
        } else {
            QVERIFY2(xml.contains("<v>" + cell + "</v>"), qPrintable(xml));
        }
    }

    void unwritableFileSaysWhy()
    {
        QString error;
        QVERIFY(!XlsxSheet::write("/nonexistent/folder/x.xlsx", {{"a", XlsxSheet::Kind::Text}}, {}, &error));
        QVERIFY2(error.contains("/nonexistent/folder/x.xlsx"), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestXlsx)
#include "tst_xlsx.moc"
