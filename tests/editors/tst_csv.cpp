// CSV files in and out of the parameter tables: the reader on awkward input,
// the round trip through export and import, the all-or-nothing import and
// files in GBK.

#include "RecordingPrompt.h"
#include "TestDatabase.h"

#include "db/CsvReader.h"
#include "db/CsvWriter.h"
#include "db/TableRegistry.h"
#include "editors/CsvExport.h"
#include "editors/CsvImport.h"
#include "editors/EditorDialog.h"
#include "gui/GridModel.h"
#include "editors/RateCheckDialog.h"

#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace qalor;
using qalor::test::RecordingPrompt;
using qalor::test::TestDatabase;

namespace {

// Records as "line:field|field|...", one string per record.
QStringList flat(const QList<CsvReader::Record>& records)
{
    QStringList out;
    for (const CsvReader::Record& r : records)
        out << QString::number(r.line) + QLatin1Char(':') + r.fields.join(QLatin1Char('|'));
    return out;
}

const char* kRateHeader = "区号,费率,地区,计费单位,折扣类型,附加费费率,统计类型\r\n";

// The rate table as the grid reads it (singles compared as singles).
QString rates()
{
    GridModel model;
    model.setRecordSource("SELECT * FROM 费率表 ORDER BY 区号,折扣类型");
    if (!model.refresh())
        return {};
    QStringList rows;
    for (int row = 0; row < model.recordCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model.columnCount(); ++column)
            cells << model.data(model.index(row, column)).toString();
        rows << cells.join(QLatin1Char('/'));
    }
    return rows.join(QLatin1Char(' '));
}

} // namespace

class TestCsv : public QObject
{
    Q_OBJECT
private slots:
    void readerCases_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("records");
        QTest::newRow("plain, CRLF") << "a,b\r\nc,d\r\n" << QStringList{"1:a|b", "2:c|d"};
        QTest::newRow("LF and CR, no final break") << "a\nb\rc" << QStringList{"1:a", "2:b", "3:c"};
        QTest::newRow("empty fields") << ",,\n" << QStringList{"1:||"};
        QTest::newRow("blank lines give no record") << "a\r\n\r\n\nb\n" << QStringList{"1:a", "4:b"};
        QTest::newRow("quoted comma, quote and break")
            << "\"x,1\",\"say \"\"hi\"\"\",\"two\r\nlines\"\nnext" << QStringList{"1:x,1|say \"hi\"|two\r\nlines", "3:next"};
        QTest::newRow("quote inside an unquoted field is a character") << "ab\"c,d\n" << QStringList{"1:ab\"c|d"};
        QTest::newRow("unclosed quote runs to the end") << "a,\"b\nc" << QStringList{"1:a|b\nc"};
        QTest::newRow("blanks are kept") << " a , b \n" << QStringList{"1: a | b "};
        QTest::newRow("empty text") << "" << QStringList{};
        QTest::newRow("only a quote") << "\"" << QStringList{"1:"};
        QTest::newRow("formula marks are taken off") << "'=1+2,'+86,'-5,'@A1,\"'\t1\",\"'\r1\"\n"
                                                     << QStringList{"1:=1+2|+86|-5|@A1|\t1|\r1"};
        QTest::newRow("other apostrophes stay") << "'abc,'',''=x,a'=b\n"
                                                << QStringList{"1:'abc|''|''=x|a'=b"};
    }
    void readerCases()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, records);
        QCOMPARE(flat(CsvReader::parse(text)), records);
    }

    void encodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("gbk");
        QTest::newRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF\xE5\x8C\x97\xE4\xBA\xAC") << "北京" << false;
        QTest::newRow("UTF-8 without mark") << QByteArray("\xE9\x95\xBF\xE9\x80\x94") << "长途" << false;
        QTest::newRow("GBK") << QByteArray("\xB1\xB1\xBE\xA9,\xB3\xA4\xCD\xBE") << "北京,长途" << true;
        QTest::newRow("ASCII") << QByteArray("0755,0.5") << "0755,0.5" << false;
        QTest::newRow("GBK with a lead byte at the end")
            << QByteArray("\xB1\xB1\xBE") << QStringLiteral("北\uFFFD") << true;
    }
    void encodings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(bool, gbk);
        CsvReader::Encoding detected = CsvReader::Encoding::Utf8;
        QCOMPARE(CsvReader::decode(bytes, &detected), text);
        QCOMPARE(detected == CsvReader::Encoding::Gbk, gbk);
        if (gbk) // decoded by glibc, whatever codecs Qt has
            QCOMPARE(CsvReader::decodeGbkThroughIconv(bytes), text);
    }

    // Whatever the bytes, the reader returns (the fuzzer's first line of defence).
    void readerSurvivesRandomBytes()
    {
        QRandomGenerator random(20261207);
        const char alphabet[] = {',', '"', '\r', '\n', 'a', '\xB1', '\xEF', '\xBB', '\xBF', '\0', '\xFF', ' '};
        for (int round = 0; round < 2000; ++round) {
            QByteArray bytes;
            const int size = random.bounded(64);
            for (int i = 0; i < size; ++i)
                bytes.append(alphabet[random.bounded(int(sizeof alphabet))]);
            const QList<CsvReader::Record> records = CsvReader::parseBytes(bytes);
            for (const CsvReader::Record& r : records)
                QVERIFY(r.line >= 1 && !r.fields.isEmpty());
            QCOMPARE(CsvReader::decodeGbkThroughIconv(bytes).isEmpty(), bytes.isEmpty());
        }
    }

    // Text a spreadsheet would run as a formula gets the apostrophe; numbers
    // in number columns stay numbers; the header row is text.
    void writerNeutralisesFormulas_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("numberColumn");
        QTest::addColumn<QString>("cell"); // as written to the file
        QTest::newRow("formula") << "=HYPERLINK(\"http://x\",\"y\")" << false
                                 << "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\"";
        QTest::newRow("plus") << "+86 755" << false << "'+86 755";
        QTest::newRow("minus in a text column") << "-5" << false << "'-5";
        QTest::newRow("minus in a number column") << "-5" << true << "-5";
        QTest::newRow("exponent in a number column") << "1.5e-07" << true << "1.5e-07";
        QTest::newRow("not a number in a number column") << "-1+2" << true << "'-1+2";
        QTest::newRow("number with a line feed") << "5\n" << true << "\"5\n\"";
        QTest::newRow("at") << "@SUM(A1)" << false << "'@SUM(A1)";
        QTest::newRow("tab") << "\tx" << false << "'\tx";
        QTest::newRow("carriage return") << "\rx" << false << "\"'\rx\"";
        QTest::newRow("inside is harmless") << "a=b-c" << false << "a=b-c";
        QTest::newRow("empty") << "" << true << "";
    }
    void writerNeutralisesFormulas()
    {
        QFETCH(QString, value);
        QFETCH(bool, numberColumn);
        QFETCH(QString, cell);
        QTemporaryDir dir;
        const QString file = dir.filePath("cells.csv");
        CsvWriter writer(file);
        QVERIFY(writer.open());
        writer.setNumberColumns({1});
        writer.writeRow({"-header", "-header"});
        writer.writeRow(numberColumn ? QStringList{"x", value} : QStringList{value, "1"});
        QVERIFY(writer.commit());
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(written.readAll().mid(3));
        const QString row = numberColumn ? "x," + cell : cell + ",1";
        QCOMPARE(text, "'-header,'-header\r\n" + row + "\r\n");
        // and read back as it was
        const QList<CsvReader::Record> records = CsvReader::parse(text);
        QCOMPARE(records.size(), 2);
        QCOMPARE(records.last().fields.at(numberColumn ? 1 : 0), value);
    }

    void exportThenImportRoundTrips()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        db.execute("INSERT INTO 费率表 (区号,费率,地区,计费单位,折扣类型,附加费费率,统计类型) "
                   "VALUES ('0755',0.1,'深圳, 南山',60,1,0.3,0)");
        db.execute("INSERT INTO 费率表 (区号,费率,地区,计费单位,折扣类型,附加费费率,统计类型) "
                   "VALUES ('00',7.2,'国际\"长途\"',6,-32768,0,32767)");
        db.execute("INSERT INTO 费率表 (区号,费率,地区,计费单位,折扣类型,附加费费率,统计类型) "
                   "VALUES ('013',0.0123457,'',60,0,1000000,3)");
        const QString before = rates();
        GridModel model;
        model.setRecordSource("SELECT * FROM 费率表 ORDER BY 区号 DESC,折扣类型");
        QVERIFY(model.refresh());
        QTemporaryDir dir;
        const QString file = dir.filePath("rates.csv");
        QCOMPARE(CsvExport::write(model, file), QString());
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray bytes = written.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(bytes.mid(3).startsWith(kRateHeader));

        db.execute("DELETE FROM 费率表");
        const CsvImport::Result result = CsvImport::run(Tables::rate(), bytes, model.database());
        QCOMPARE(result.error, QString());
        QCOMPARE(result.rows, 3);
        QCOMPARE(rates(), before);

        // Columns may come in any order, and those left out are 0 or "".
        const CsvImport::Result partial =
            CsvImport::run(Tables::rate(), "费率,区号\n0.25,0898\n", model.database());
        QCOMPARE(partial.error, QString());
        QCOMPARE(db.scalar("SELECT 地区 || '/' || 计费单位 FROM 费率表 WHERE 区号='0898'"), QString("/0"));
        QVERIFY(prompt.texts.isEmpty());
    }

    // A user name that is a formula and a negative department number leave
    // the grid as text and number, and come back as they were.
    void formulaTextRoundTripsThroughTheGrid()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        db.execute(
            "INSERT INTO 用户信息表 (电话号码,用户名,电路位置,电话级别,安装地点,安装时间,是否公费,"
            "是否宿舍电话,月租费,部门编号,拆除日期) VALUES ('8001','=HYPERLINK(\"http://x\",\"点此\")',"
            "'@1','-2','\t楼','+0',0,1,-1.5,-5,'')");
        GridModel model;
        model.setRecordSource("SELECT * FROM 用户信息表");
        QVERIFY(model.refresh());
        const QStringList before =
            db.column("SELECT 电话号码 || '|' || 用户名 || '|' || 电路位置 || '|' || 电话级别 "
                      "|| '|' || 安装地点 || '|' || 安装时间 || '|' || 部门编号 FROM 用户信息表");
        QTemporaryDir dir;
        const QString file = dir.filePath("users.csv");
        QCOMPARE(CsvExport::write(model, file), QString());
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray bytes = written.readAll();
        QVERIFY2(bytes.contains("8001,\"'=HYPERLINK(\"\"http://x\"\","), bytes.constData());
        QVERIFY2(bytes.contains(",'@1,'-2,'\t楼,'+0,0,1,-1.5,-5,"), bytes.constData());

        db.execute("DELETE FROM 用户信息表");
        const CsvImport::Result result = CsvImport::run(Tables::user(), bytes, model.database());
        QCOMPARE(result.error, QString());
        QCOMPARE(
            db.column(
                "SELECT 电话号码 || '|' || 用户名 || '|' || 电路位置 || '|' || 电话级别 || '|' || 安装地点 "
                "|| '|' || 安装时间 || '|' || 部门编号 FROM 用户信息表"),
            before);
        QCOMPARE(db.scalar("SELECT 月租费 FROM 用户信息表").toDouble(), -1.5);
    }

    // One bad value anywhere: nothing is appended, and the message names the
    // line and the column.
    void oneBadRowAppendsNothing_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("error");
        QTest::newRow("text in a number") << QByteArray("0755,0.5,深圳,60,1,0,0\n010,abc,北京,60,1,0,0\n")
                                          << "第3行: 列“费率”只能填入数字.";
        QTest::newRow("out of range, last row")
            << QByteArray("0755,0.5,深圳,60,1,0,0\n010,0.5,北京,60,1,0,0\n020,0.5,广州,60,40000,0,0\n")
            << "第4行: 列“折扣类型”只能填入-32768到32767之间的整数.";
        QTest::newRow("a field missing") << QByteArray("0755,0.5,深圳,60,1,0\n")
                                         << "第2行: 应有7个字段,实有6个.";
        QTest::newRow("NUL in a text") << QByteArray("0755,0.5,ab#cd,60,1,0,0\n").replace('#', '\0')
                                       << "第2行: 列“地区”含有控制字符(U+0000),不能导入.";
        QTest::newRow("NUL in a number text, second row")
            << QByteArray("0755,0.5,深圳,60,1,0,0\n0755#123,0.5,深圳,60,1,0,0\n").replace('#', '\0')
            << "第3行: 列“区号”含有控制字符(U+0000),不能导入.";
        QTest::newRow("escape after a quoted break") << QByteArray("0755,0.5,\"深圳\r\n南山\x1B\",60,1,0,0\n")
                                                     << "第3行: 列“地区”含有控制字符(U+001B),不能导入.";
        QTest::newRow("delete character")
            << QByteArray("0755,0.5,a\x7F,60,1,0,0\n") << "第2行: 列“地区”含有控制字符(U+007F),不能导入.";
        // The C1 controls a file read in the wrong code page brings, both ends.
        QTest::newRow("C1 control U+0080")
            << QByteArray("0755,0.5,a\xC2\x80,60,1,0,0\n") << "第2行: 列“地区”含有控制字符(U+0080),不能导入.";
        QTest::newRow("C1 control U+009F")
            << QByteArray("0755,0.5,\xC2\x9F,60,1,0,0\n") << "第2行: 列“地区”含有控制字符(U+009F),不能导入.";
        // Rows go to the data source a hundred at a time: a bad row in the
        // third batch still keeps the first two out.
        QByteArray many;
        for (int i = 0; i < 250; ++i)
            many += QStringLiteral("0%1,%2,地区%1,60,1,0,0\n").arg(100 + i).arg(i == 229 ? QStringLiteral("x") : QStringLiteral("0.5")).toUtf8();
        QTest::newRow("row 230 of 250") << many << "第231行: 列“费率”只能填入数字.";
        QTest::newRow("line count follows quoted breaks")
            << QByteArray("0755,0.5,\"深圳\n南山\",60,1,0,0\n010,0.5,北京,6.5,1,0,0\n")
            << "第4行: 列“计费单位”只能填入-32768到32767之间的整数.";
    }
    void oneBadRowAppendsNothing()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, error);
        TestDatabase db;
        RecordingPrompt prompt;
        db.execute("INSERT INTO 费率表 (区号,费率,地区,计费单位,折扣类型,附加费费率,统计类型) "
                   "VALUES ('0',0.5,'国内',60,1,0,2)");
        const CsvImport::Result result = CsvImport::run(Tables::rate(), kRateHeader + body, CDatabase::shared());
        QCOMPARE(result.error, error);
        QCOMPARE(result.rows, 0);
        QCOMPARE(db.column("SELECT 区号 FROM 费率表"), QStringList{"0"});

        const CsvImport::Result header =
            CsvImport::run(Tables::rate(), "区号,费率,价格\n0755,1,2\n", CDatabase::shared());
        QCOMPARE(header.error, QString("第1行: 表“费率表”没有列“价格”."));
    }

    // A failure the database reports rolls back the rows already sent.
    // A rule the engine would read wrongly is refused with its line and
    // column: every limit of 告警规则表 at its edge and one past it.
    void alertRuleLimits_data()
    {
        QTest::addColumn<QByteArray>("row"); // 规则类型,金额,通话秒数,号头,起始时间,结束时间,次数,分钟数
        QTest::addColumn<QString>("error"); // empty: taken
        const QString amount = "第2行: 列“金额”只能填入0.01到131071.99之间的金额.";
        QTest::newRow("a cent") << QByteArray("1,0.01,0,,,,0,0") << "";
        QTest::newRow("nothing") << QByteArray("1,0,0,,,,0,0") << amount;
        QTest::newRow("largest amount") << QByteArray("4,131071.99,0,,,,0,0") << "";
        QTest::newRow("a cent more") << QByteArray("4,131072.00,0,,,,0,0") << amount;
        QTest::newRow("1e15") << QByteArray("1,1e15,0,,,,0,0") << amount;
        const QString seconds = "第2行: 列“通话秒数”只能填入1到86400之间的秒数.";
        QTest::newRow("a second") << QByteArray("2,0,1,,,,0,0") << "";
        QTest::newRow("no second") << QByteArray("2,0,0,,,,0,0") << seconds;
        QTest::newRow("a day") << QByteArray("2,0,86400,,,,0,0") << "";
        QTest::newRow("a day and a second") << QByteArray("2,0,86401,,,,0,0") << seconds;
        const QString minutes = "第2行: 列“分钟数”只能填入1到1440之间的分钟数.";
        QTest::newRow("once a minute") << QByteArray("6,0,0,,,,1,1") << "";
        QTest::newRow("no calls") << QByteArray("6,0,0,,,,0,10") << "第2行: 列“次数”只能填入1或更大的次数.";
        QTest::newRow("no minutes") << QByteArray("6,0,0,,,,3,0") << minutes;
        QTest::newRow("a day of minutes") << QByteArray("6,0,0,,,,3,1440") << "";
        QTest::newRow("a minute past a day") << QByteArray("6,0,0,,,,3,1441") << minutes;
        QTest::newRow("minutes overflowing seconds") << QByteArray("6,0,0,,,,3,35791395") << minutes;
        const QString kinds = "第2行: 列“规则类型”只能填入1 单次话费,2 通话时长,3 时段号头,4 月累计话费,"
                              "5 未登记分机,6 重复呼叫.";
        QTest::newRow("kind 0") << QByteArray("0,0,0,,,,0,0") << kinds;
        QTest::newRow("kind 5") << QByteArray("5,0,0,,,,0,0") << "";
        QTest::newRow("kind 7") << QByteArray("7,0,0,,,,0,0") << kinds;
        QTest::newRow("night window") << QByteArray("3,0,0,00,220000,06:00,0,0") << "";
        QTest::newRow("24:00 ends the day") << QByteArray("3,0,0,00,2200,2400,0,0") << "";
        QTest::newRow("no start") << QByteArray("3,0,0,00,,060000,0,0")
                                  << "第2行: 列“起始时间”只能填入时刻(如220000或22:00).";
        QTest::newRow("hour 25") << QByteArray("3,0,0,00,220000,250000,0,0")
                                 << "第2行: 列“结束时间”只能填入时刻(如060000或06:00).";
        QTest::newRow("empty window")
            << QByteArray("3,0,0,00,220000,22:00,0,0") << "第2行: 列“结束时间”只能填入与起始时间不同的时刻.";
        QTest::newRow("letter in prefix")
            << QByteArray("3,0,0,00x,220000,060000,0,0") << "第2行: 列“号头”只能填入号码的开头(数字、*或#).";
    }
    void alertRuleLimits()
    {
        QFETCH(QByteArray, row);
        QFETCH(QString, error);
        TestDatabase db;
        RecordingPrompt prompt;
        // The no-break space (U+00A0) just past the C1 controls is text.
        const CsvImport::Result result =
            CsvImport::run(Tables::alertRule(),
                           "规则编号,规则名称,规则类型,金额,通话秒数,号头,起始时间,结束时间,次数,分钟数,"
                           "是否启用\n9,甲\xC2\xA0乙," +
                               row + ",1\n",
                           CDatabase::shared(), CsvImport::Mode::Replace);
        QCOMPARE(result.error, error);
        const QStringList kept = error.isEmpty() ? QStringList{"9"} : QStringList{"1", "2", "3"};
        QCOMPARE(db.column("SELECT 规则编号 FROM 告警规则表 ORDER BY 规则编号"), kept);
    }

    void databaseRefusalRollsBack()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        db.execute("CREATE UNIQUE INDEX 部门名唯一 ON 部门表 (部门名)");
        const CsvImport::Result result =
            CsvImport::run(Tables::department(), "部门名,部门编号\n甲,1\n乙,2\n甲,3\n", CDatabase::shared());
        QVERIFY2(result.error.startsWith("第4行: "), qPrintable(result.error));
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM 部门表"), QString("0"));

        // Refused in the third batch of a hundred: the line is named, the
        // two batches already sent are taken back.
        QByteArray many = "部门名,部门编号\n";
        for (int i = 1; i <= 250; ++i)
            many += QStringLiteral("部门%1,%2\n").arg(i == 220 ? 7 : i).arg(i).toUtf8();
        const CsvImport::Result late = CsvImport::run(Tables::department(), many, CDatabase::shared());
        QVERIFY2(late.error.startsWith("第221行: "), qPrintable(late.error));
        QCOMPARE(late.rows, 0);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM 部门表"), QString("0"));
    }

    // A key the rows would hold twice refuses the whole file and names the
    // lines; replacing empties the table first, in the same transaction.
    void keysHeldTwiceRefused_data()
    {
        QTest::addColumn<bool>("replace");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QStringList>("after");
        const QStringList held{"13/60", "13/70", "139/40"};
        QTest::newRow("adding a prefix the table holds")
            << false << QByteArray("13,0.5\n") << "区号“13”重复: 第2行, 表中已有" << held;
        QTest::newRow("adding, twice in the file")
            << false << QByteArray("0755,0.5\n010,0.3\n0755,0.6\n") << "区号“0755”重复: 第2、4行" << held;
        QTest::newRow("replacing with one row")
            << true << QByteArray("13,0.5\n") << QString() << QStringList{"13/50"};
        QTest::newRow("replacing, twice in the file")
            << true << QByteArray("13,0.5\n010,0.3\n13,0.6\n139,1\n010,1\n")
            << "区号“13”重复: 第2、4行\n区号“010”重复: 第3、6行" << held;
        QTest::newRow("adding new prefixes") << false << QByteArray("010,0.3\n") << QString()
                                             << QStringList{"010/30", "13/60", "13/70", "139/40"};
    }
    void keysHeldTwiceRefused()
    {
        QFETCH(bool, replace);
        QFETCH(QByteArray, body);
        QFETCH(QString, error);
        QFETCH(QStringList, after);
        TestDatabase db;
        for (const char* row : {"'13',0.6", "'13',0.7", "'139',0.4"})
            db.execute(QStringLiteral("INSERT INTO 费率表 (区号,费率) VALUES (%1)").arg(QLatin1String(row)));
        const CsvImport::Result result =
            CsvImport::run(Tables::rate(), "区号,费率\n" + body, CDatabase::shared(),
                           replace ? CsvImport::Mode::Replace : CsvImport::Mode::Append);
        QCOMPARE(result.error, error);
        QCOMPARE(
            db.column(
                "SELECT 区号 || '/' || CAST(ROUND(费率 * 100) AS INTEGER) FROM 费率表 ORDER BY 区号, 费率"),
            after);
        QCOMPARE(result.replaced, replace && error.isEmpty() ? 3 : 0);
    }

    // Export, edit, import through the rate editor: the question decides
    // between replacing and adding; the editor and 检查费率表 name the 区号
    // already held twice.
    void editorImportReplacesOrAdds()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        for (const char* row : {"'13',0.6", "'13',0.7", "'010',0.3"})
            db.execute(QStringLiteral("INSERT INTO 费率表 (区号,费率) VALUES (%1)").arg(QLatin1String(row)));
        QTemporaryDir dir;
        const QString file = dir.filePath("rates.csv");
        EditorDialog::installFileChooser([&](QWidget*, bool, const QString&) { return file; });
        EditorDialog::Hooks hooks{[] { return true; }, [](QDialog&) { return int(QDialog::Rejected); }};
        EditorDialog dialog(*EditorTable::find(32790), hooks);
        auto* repeated = dialog.findChild<QLabel*>("KeyDuplicates");
        QVERIFY(repeated);
        QVERIFY(!repeated->isHidden());
        QCOMPARE(repeated->text(), QString("区号重复: 13 (2行)"));
        auto click = [&](const QString& caption) {
            for (QPushButton* b : dialog.findChildren<QPushButton*>())
                if (b->text() == caption)
                    b->click();
        };
        dialog.model().setAllowAddNew(true);
        click("导出…");
        QCOMPARE(prompt.texts, QStringList{Prompt::exportedText(file)});
        prompt.texts.clear();
        // Adding what was exported: every 区号 is already there.
        prompt.choices << 1;
        click("导入…");
        QCOMPARE(prompt.texts.size(), 2);
        QCOMPARE(prompt.texts.first(), CsvImport::replaceQuestion(3));
        QVERIFY2(
            prompt.texts.last().startsWith("导入失败,没有添加任何记录.\n区号“13”重复: 第2、3行, 表中已有\n"
                                           "区号“010”重复: 第4行, 表中已有"),
            qPrintable(prompt.texts.last()));
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM 费率表"), QString("3"));

        // Replacing with the edited file: one 13 left.
        QFile edited(file);
        QVERIFY(edited.open(QIODevice::WriteOnly));
        edited.write("区号,费率\n13,0.5\n010,0.3\n");
        edited.close();
        prompt.texts.clear();
        prompt.choices << 0;
        click("导入…");
        EditorDialog::installFileChooser({});
        QCOMPARE(prompt.texts,
                 (QStringList{CsvImport::replaceQuestion(3), "已导入2行记录,替换了原有的3行."}));
        QCOMPARE(db.column("SELECT 区号 FROM 费率表 ORDER BY 区号"), (QStringList{"010", "13"}));
        QCOMPARE(dialog.model().recordCount(), 2);
        QVERIFY(repeated->isHidden());

        db.execute("INSERT INTO 费率表 (区号,费率) VALUES ('010',0.4)");
        RateCheckDialog check;
        check.setPeriod(QDate(2024, 1, 1), QDate(2024, 1, 31));
        for (QPushButton* b : check.findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("检查"))
                b->click();
        QVERIFY(!check.duplicates().isHidden());
        QCOMPARE(check.duplicates().text(), QString("费率表中区号重复: 010 (2行)"));
    }

    // "导出Excel…": prefixes stay text with their leading zeros, rates are numbers.
    void editorExportsATypedSheet()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        db.execute("INSERT INTO 费率表 (区号,费率,地区,计费单位,折扣类型,附加费费率,统计类型) "
                   "VALUES ('0081',0.8,'日本',6,3,0,2)");
        QTemporaryDir dir;
        const QString file = dir.filePath("rates.xlsx");
        QString suggested;
        EditorDialog::installFileChooser([&](QWidget*, bool save, const QString& name) {
            suggested = name;
            return save ? file : QString();
        });
        EditorDialog::Hooks hooks{[] { return true; }, [](QDialog&) { return int(QDialog::Rejected); }};
        EditorDialog dialog(*EditorTable::find(32790), hooks);
        for (QPushButton* b : dialog.findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("导出Excel…"))
                b->click();
        EditorDialog::installFileChooser({});
        QCOMPARE(suggested, QString("费率表.xlsx"));
        QCOMPARE(prompt.texts, QStringList{Prompt::exportedText(file)});
        QProcess unzip;
        unzip.start("unzip", {"-p", file, "xl/worksheets/sheet1.xml", "xl/sharedStrings.xml"});
        QVERIFY(unzip.waitForFinished(30000));
        const QString xml = QString::fromUtf8(unzip.readAllStandardOutput());
        QVERIFY2(xml.contains("<c r=\"A2\" t=\"s\">"), qPrintable(xml));
        QVERIFY(xml.contains("<t>0081</t>"));
        QVERIFY2(xml.contains("<c r=\"B2\"><v>0.8</v></c>"), qPrintable(xml));
        QVERIFY(xml.contains("<c r=\"D2\"><v>6</v></c>"));
    }

    // A carrier's list saved by a Chinese spreadsheet (GBK) imported through
    // the rate editor, after "修改".
    void gbkFileImportsThroughTheEditor()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        QTemporaryDir dir;
        const QString file = dir.filePath("carrier.csv");
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        // 区号,费率,地区 / 010,0.3,北京 / 020,0.3,广州 in GBK
        out.write("\xC7\xF8\xBA\xC5,\xB7\xD1\xC2\xCA,\xB5\xD8\xC7\xF8\r\n"
                  "010,0.3,\xB1\xB1\xBE\xA9\r\n020,0.3,\xB9\xE3\xD6\xDD\r\n");
        out.close();

        EditorDialog::installFileChooser([&](QWidget*, bool save, const QString&) {
            return save ? QString() : file;
        });
        bool loggedIn = true;
        EditorDialog::Hooks hooks{[&] { return loggedIn; }, [](QDialog&) { return int(QDialog::Rejected); }};
        EditorDialog dialog(*EditorTable::find(32790), hooks);
        QPushButton* import = nullptr;
        for (QPushButton* b : dialog.findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("导入…"))
                import = b;
        QVERIFY(import);
        import->click(); // before "修改": refused
        QCOMPARE(prompt.texts, QStringList{"请先按“修改”允许添加记录,然后再导入."});
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM 费率表"), QString("0"));
        prompt.texts.clear();

        dialog.model().setAllowAddNew(true);
        import->click();
        EditorDialog::installFileChooser({});
        QCOMPARE(prompt.texts, QStringList{"已导入2行记录."});
        QCOMPARE(db.column("SELECT 地区 FROM 费率表 ORDER BY 区号"), (QStringList{"北京", "广州"}));
        QCOMPARE(dialog.model().recordCount(), 2);
    }
};

QTEST_MAIN(TestCsv)
#include "tst_csv.moc"
