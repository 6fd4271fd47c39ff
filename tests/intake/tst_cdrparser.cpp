#include "CdrLineBuilder.h"
#include "FakeCodeFilter.h"
#include "RecordingPrompt.h"
#include "intake/CdrParser.h"
#include "intake/CodeText.h"

#include <QtTest>
#include <climits>

using namespace qalor;
using namespace qalor::test;

using Fields = QMap<int, QString>;
Q_DECLARE_METATYPE(Fields)

namespace {

// Where a printed slot's field starts on the line.
int fieldOffset(const QList<CdrLayoutEntry>& entries, int slot)
{
    int offset = 0;
    for (int s = 0; s < slot; ++s)
        if (entries.at(s).output > 0)
            offset += entries.at(s).width + 1;
    return offset;
}

QList<CdrLayoutEntry> withSlot(QList<CdrLayoutEntry> entries, int slot, int width, int output)
{
    entries[slot].width = width;
    entries[slot].output = output;
    return entries;
}

// The default layout that also prints the attendant number and caller id.
QList<CdrLayoutEntry> callingPartyEntries()
{
    return withSlot(withSlot(defaultEntries(), 11, 4, 1), 26, 7, 1);
}

const QString DefaultRecord =
    QStringLiteral("0000 003 01 240315 ABCDEF 101500 102730 2101 013901234567-1     ");

} // namespace

class TestCdrParser : public QObject
{
    Q_OBJECT

private slots:
    void canonicalPositions();
    void separators_data();
    void separators();
    void startTimeAndTrace_data();
    void startTimeAndTrace();
    void callingParty_data();
    void callingParty();
    void callerIdWithoutSlotTen();
    void unprintedRowsKeepTheirSlot();
    void negativeOutputFlagIsNotPrinted();
    void billability_data();
    void billability();
    void shortLinesAreRejected();
    void emptyLayout();
    void leadingNumber_data();
    void leadingNumber();
};

void TestCdrParser::canonicalPositions()
{
    CdrLayout layout;
    layout.assign(defaultEntries());
    QCOMPARE(layout.lineLength(), 73);
    FakeCodeFilter filter;
    CdrParser parser(layout, filter);

    const QString line = cdrLine(defaultEntries(), {});
    QCOMPARE(line.size(), 73);
    QString record = QStringLiteral("left over from the line before");
    QCOMPARE(parser.preproccdr(line, record), 1);
    QCOMPARE(record, DefaultRecord);
    QCOMPARE(record.mid(0, 4), QStringLiteral("0000"));
    QCOMPARE(record.mid(5, 3), QStringLiteral("003"));
    QCOMPARE(record.mid(9, 2), QStringLiteral("01"));
    QCOMPARE(record.mid(12, 6), QStringLiteral("240315"));
    QCOMPARE(record.mid(26, 6), QStringLiteral("101500"));
    QCOMPARE(record.mid(33, 6), QStringLiteral("102730"));
    QCOMPARE(record.mid(40, 4), QStringLiteral("2101"));
    QCOMPARE(record.mid(45, 18).section(QLatin1Char('-'), 0, 0), QStringLiteral("013901234567"));
    QCOMPARE(filter.askedCos, QList<int>{5});
    QCOMPARE(filter.askedGroups, QList<int>{7});
}

void TestCdrParser::separators_data()
{
    QTest::addColumn<int>("slot");
    for (int slot : {0, 1, 2, 5, 6, 7, 14, 21, 24})
        QTest::addRow("slot %d", slot) << slot;
}

void TestCdrParser::separators()
{
    QFETCH(int, slot);
    const QList<CdrLayoutEntry> entries = defaultEntries();
    CdrLayout layout;
    layout.assign(entries);
    FakeCodeFilter filter;
    CdrParser parser(layout, filter);

    QString line = cdrLine(entries, {});
    line[fieldOffset(entries, slot) + entries.at(slot).width] = QLatin1Char('X');
    QString record;
    QCOMPARE(parser.preproccdr(line, record), 0);
    QCOMPARE(record, fieldOrderErrorText());
    QCOMPARE(record, QStringLiteral("CDR 字段顺序出错!"));
}

void TestCdrParser::startTimeAndTrace_data()
{
    QTest::addColumn<Fields>("fields");
    QTest::addColumn<int>("result");
    QTest::addRow("untraced without start time") << Fields{{6, QStringLiteral("000000")}} << 0;
    QTest::addRow("traced without start time")
        << Fields{{0, QStringLiteral("0001")}, {6, QStringLiteral("000000")}} << 1;
    QTest::addRow("start one second after midnight") << Fields{{6, QStringLiteral("000001")}} << 1;
}

void TestCdrParser::startTimeAndTrace()
{
    QFETCH(Fields, fields);
    QFETCH(int, result);
    CdrLayout layout;
    layout.assign(defaultEntries());
    FakeCodeFilter filter;
    CdrParser parser(layout, filter);
    QString record;
    QCOMPARE(parser.preproccdr(cdrLine(defaultEntries(), fields), record), result);
    QVERIFY(record != fieldOrderErrorText());
    if (result == 1)
        QCOMPARE(record.mid(26, 6), fields.value(6));
}

void TestCdrParser::callingParty_data()
{
    QTest::addColumn<Fields>("fields");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("extension");
    const QString none = QStringLiteral("----");
    const QString noId = QStringLiteral("-------");
    QTest::addRow("calling extension")
        << Fields{{10, QStringLiteral("2101")}, {11, none}, {26, noId}} << 1 << QStringLiteral("2101");
    QTest::addRow("extension wins over caller id")
        << Fields{{10, QStringLiteral("2101")}, {11, none}, {26, QStringLiteral("0005678")}} << 1
        << QStringLiteral("2101");
    QTest::addRow("attendant number")
        << Fields{{10, none}, {11, QStringLiteral("3102")}, {26, noId}} << 1 << QStringLiteral("3102");
    QTest::addRow("caller id") << Fields{{10, none}, {11, none}, {26, QStringLiteral("0001234")}} << 1
                               << QStringLiteral("1234");
    QTest::addRow("no calling party") << Fields{{10, none}, {11, none}, {26, noId}} << 0 << QString();
    QTest::addRow("no calling party, traced")
        << Fields{{0, QStringLiteral("0042")}, {10, none}, {11, none}, {26, noId}} << 1 << QString();
}

void TestCdrParser::callingParty()
{
    QFETCH(Fields, fields);
    QFETCH(int, result);
    QFETCH(QString, extension);
    CdrLayout layout;
    layout.assign(callingPartyEntries());
    FakeCodeFilter filter;
    CdrParser parser(layout, filter);
    QString record;
    QCOMPARE(parser.preproccdr(cdrLine(callingPartyEntries(), fields), record), result);
    if (extension.isEmpty())
        return;
    // The calling party stands where slot 10 would, the dialled number after it.
    QCOMPARE(record.mid(40, 5), extension + QLatin1Char(' '));
    QCOMPARE(record.mid(45, 14), QStringLiteral("013901234567-1"));
    QCOMPARE(record.left(40), DefaultRecord.left(40));
}

void TestCdrParser::callerIdWithoutSlotTen()
{
    // A PBX that prints only the caller id still puts the extension at the
    // calling-extension place, not in front of the trace number.
    const QList<CdrLayoutEntry> layoutEntries = withSlot(withSlot(defaultEntries(), 10, 4, 0), 26, 7, 1);
    CdrLayout layout;
    layout.assign(layoutEntries);
    FakeCodeFilter filter;
    CdrParser parser(layout, filter);
    QString record;
    QCOMPARE(parser.preproccdr(cdrLine(layoutEntries, {{26, QStringLiteral("0002345")}}), record), 1);
    QCOMPARE(record.left(4), QStringLiteral("0000"));
    QCOMPARE(record.mid(40, 5), QStringLiteral("2345 "));
    QCOMPARE(record.mid(45, 14), QStringLiteral("013901234567-1"));
}

void TestCdrParser::unprintedRowsKeepTheirSlot()
{
    // Call type and record code not printed: the line is 7 characters
    // shorter, the record closes up, and the start time is still slot 6.
    const QList<CdrLayoutEntry> entries = withSlot(withSlot(defaultEntries(), 1, 3, 0), 2, 2, 0);
    CdrLayout layout;
    layout.assign(entries);
    QCOMPARE(layout.lineLength(), 66);
    FakeCodeFilter filter;
    CdrParser parser(layout, filter);

    QString record;
    QCOMPARE(parser.preproccdr(cdrLine(entries, {}), record), 1);
    QCOMPARE(record, QStringLiteral("0000 240315 ABCDEF 101500 102730 2101 013901234567-1     "));
    QCOMPARE(parser.preproccdr(cdrLine(entries, {{6, QStringLiteral("000000")}}), record), 0);
    QCOMPARE(filter.askedCos, QList<int>{5});
}

void TestCdrParser::negativeOutputFlagIsNotPrinted()
{
    // The line length leaves such a row out, so the parser must too, or no
    // line of that length could ever be read.
    const QList<CdrLayoutEntry> entries = withSlot(defaultEntries(), 3, 1, -1);
    CdrLayout layout;
    layout.assign(entries);
    QCOMPARE(layout.lineLength(), 73);
    FakeCodeFilter filter;
    CdrParser parser(layout, filter);
    QString record;
    QCOMPARE(parser.preproccdr(cdrLine(entries, {}), record), 1);
    QCOMPARE(record, DefaultRecord);
}

void TestCdrParser::billability_data()
{
    QTest::addColumn<Fields>("fields");
    QTest::addColumn<int>("unbilledCos");
    QTest::addColumn<int>("unbilledGroup");
    QTest::addColumn<bool>("cosLoads");
    QTest::addColumn<bool>("groupLoads");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("askedCos");
    QTest::addColumn<int>("askedGroup");
    const QString traced = QStringLiteral("0003");
    // askedCos/askedGroup: the code the parser read, -2 when it asked nothing.
    QTest::addRow("billable") << Fields{} << -9 << -9 << true << true << 1 << 5 << 7;
    QTest::addRow("class not billed") << Fields{} << 5 << -9 << true << true << 0 << 5 << -2;
    QTest::addRow("class not billed, traced")
        << Fields{{0, traced}} << 5 << -9 << true << true << 1 << 5 << 7;
    QTest::addRow("trunk group not billed") << Fields{} << -9 << 7 << true << true << 0 << 5 << 7;
    QTest::addRow("trunk group not billed, traced")
        << Fields{{0, traced}} << -9 << 7 << true << true << 1 << 5 << 7;
    QTest::addRow("class table fails, traced")
        << Fields{{0, traced}} << -9 << -9 << false << true << 0 << -2 << -2;
    QTest::addRow("group table fails") << Fields{} << -9 << -9 << true << false << 0 << 5 << -2;
    QTest::addRow("class with a leading blank reads 0")
        << Fields{{14, QStringLiteral(" 12")}} << 0 << -9 << true << true << 0 << 0 << -2;
    QTest::addRow("digits stop at a non-digit")
        << Fields{{14, QStringLiteral("2x9")}, {21, QStringLiteral("3-")}} << -9 << 3 << true << true << 0
        << 2 << 3;
}

void TestCdrParser::billability()
{
    QFETCH(Fields, fields);
    QFETCH(int, unbilledCos);
    QFETCH(int, unbilledGroup);
    QFETCH(bool, cosLoads);
    QFETCH(bool, groupLoads);
    QFETCH(int, result);
    QFETCH(int, askedCos);
    QFETCH(int, askedGroup);
    CdrLayout layout;
    layout.assign(defaultEntries());
    FakeCodeFilter filter;
    filter.unbilledCos = {unbilledCos};
    filter.unbilledGroups = {unbilledGroup};
    filter.cosLoads = cosLoads;
    filter.groupLoads = groupLoads;
    CdrParser parser(layout, filter);
    QString record;
    QCOMPARE(parser.preproccdr(cdrLine(defaultEntries(), fields), record), result);
    QCOMPARE(filter.askedCos, askedCos == -2 ? QList<int>{} : QList<int>{askedCos});
    QCOMPARE(filter.askedGroups, askedGroup == -2 ? QList<int>{} : QList<int>{askedGroup});
    QVERIFY(record != fieldOrderErrorText());
}

void TestCdrParser::shortLinesAreRejected()
{
    CdrLayout layout;
    layout.assign(defaultEntries());
    FakeCodeFilter filter;
    CdrParser parser(layout, filter);
    for (const QString& full :
         {cdrLine(defaultEntries(), {}), cdrLine(defaultEntries(), {{0, QStringLiteral("0009")}})}) {
        // Up to the dialled number's separator every field is needed; the
        // carriage return and line feed are not read.
        for (int size = 0; size <= full.size(); ++size) {
            QString record;
            const int result = parser.preproccdr(full.left(size), record);
            QVERIFY2(result == (size >= 71 ? 1 : 0), qPrintable(QStringLiteral("length %1").arg(size)));
        }
    }
}

void TestCdrParser::emptyLayout()
{
    RecordingPrompt prompt;
    CdrLayout layout;
    layout.assign({});
    QCOMPARE(layout.lineLength(), 0);
    FakeCodeFilter filter;
    CdrParser parser(layout, filter);
    QString record = QStringLiteral("stale");
    QCOMPARE(parser.preproccdr(cdrLine(defaultEntries(), {}), record), 0);
    QVERIFY(record.isEmpty());
    QVERIFY(prompt.texts.isEmpty());
}

void TestCdrParser::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::addRow("empty") << QString() << -1;
    QTest::addRow("digits") << QStringLiteral("017") << 17;
    QTest::addRow("digits then text") << QStringLiteral("12a4") << 12;
    QTest::addRow("leading blank") << QStringLiteral(" 12") << 0;
    QTest::addRow("letter") << QStringLiteral("x") << 0;
    QTest::addRow("dashes") << QStringLiteral("--") << 0;
    QTest::addRow("wide digit is no digit") << QStringLiteral("１2") << 0;
    QTest::addRow("too long saturates") << QStringLiteral("99999999999999999999") << INT_MAX;
}

void TestCdrParser::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(readLeadingNumber(text), value);
}

QTEST_GUILESS_MAIN(TestCdrParser)
#include "tst_cdrparser.moc"
