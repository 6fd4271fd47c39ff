#include "intake/LineAssembler.h"
#include "serial/StreamBreak.h"

#include <QtTest>

using namespace qalor;

namespace {

// A well-formed CDR line of the given length: starts with a digit, ends CR LF.
QString goodLine(int length, int serial)
{
    QString body = QStringLiteral("%1 ").arg(serial % 10000, 4, 10, QLatin1Char('0'));
    while (body.size() < length - 2)
        body += QLatin1Char(char('a' + (serial + body.size()) % 26));
    return body.left(length - 2) + QStringLiteral("\r\n");
}

QStringList goodLines(int length, int count)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << goodLine(length, i + 1);
    return lines;
}

// Feeds text in the given chunk sizes (the last size repeats).
QStringList feedChunks(LineAssembler& assembler, const QString& text, const QList<int>& sizes)
{
    QStringList lines;
    qsizetype pos = 0;
    for (int k = 0; pos < text.size(); ++k) {
        const int size = sizes.at(qMin<qsizetype>(k, sizes.size() - 1));
        lines += assembler.feed(text.mid(pos, size));
        pos += size;
    }
    return lines;
}

// A line cut the moment its carriage return arrived lacks the line feed.
QStringList withoutLineFeeds(QStringList lines)
{
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\n')))
            line.chop(1);
    return lines;
}

} // namespace

class TestLineAssembler : public QObject
{
    Q_OBJECT

private slots:
    void everyCutYieldsEveryLineOnce_data();
    void everyCutYieldsEveryLineOnce();
    void badTextCostsOnlyItself_data();
    void badTextCostsOnlyItself();
    void severalLinesInOneChunk();
    void lineFeedStartingAChunk();
    void bufferIsBounded();
    void noLineLengthCutsNothing();
};

void TestLineAssembler::everyCutYieldsEveryLineOnce_data()
{
    QTest::addColumn<int>("length");
    QTest::addRow("default layout") << 73;
    QTest::addRow("short layout") << 9;
}

void TestLineAssembler::everyCutYieldsEveryLineOnce()
{
    QFETCH(int, length);
    const QStringList expected = goodLines(length, 6);
    const QString stream = expected.join(QString());
    for (int first = 0; first <= length; ++first) {
        for (int size = 1; size <= 2 * length + 3; ++size) {
            LineAssembler assembler(length);
            const QStringList lines = feedChunks(assembler, stream, {first == 0 ? size : first, size});
            QCOMPARE(withoutLineFeeds(lines), withoutLineFeeds(expected));
            for (const QString& line : lines)
                QVERIFY(line.size() == length ||
                        (line.size() == length - 1 && line.endsWith(QLatin1Char('\r'))));
            QVERIFY(assembler.buffer().isEmpty());
        }
    }
}

void TestLineAssembler::badTextCostsOnlyItself_data()
{
    const int length = 20;
    const QString a = goodLine(length, 1);
    const QString b = goodLine(length, 2);
    QTest::addColumn<QString>("stream");
    QTest::addColumn<QStringList>("lines");
    QTest::addRow("heading") << a + QStringLiteral("HARRIS 20-20 CDR\r\n") + b << QStringList{a, b};
    QTest::addRow("heading of line length") << QStringLiteral("Tx") + a.mid(2) + b << QStringList{b};
    QTest::addRow("carriage return one early")
        << a.left(length - 3) + QStringLiteral("\r\n") + b << QStringList{b};
    QTest::addRow("carriage return one late") << QStringLiteral("0") + a + b << QStringList{b};
    QTest::addRow("noise ending in CR LF") << a + QStringLiteral("#$%^&*\r\n") + b << QStringList{a, b};
    QTest::addRow("blank lines") << QStringLiteral("\r\n\r\n") + a + QStringLiteral("\r\n") + b
                                 << QStringList{a, b};
    QTest::addRow("line feeds between lines") << a + QStringLiteral("\n\n\n") + b << QStringList{a, b};
    // A stream break (a new network connection) ends an unfinished line.
    const QString cut(QChar{StreamBreak});
    const QString c = goodLine(length, 3);
    QTest::addRow("break between lines") << a + cut + b << QStringList{a, b};
    QTest::addRow("break in a line") << a.left(9) + cut + b << QStringList{b};
    QTest::addRow("break before the rest of a line") << a.left(9) + cut + a.mid(9) + b << QStringList{b};
    QTest::addRow("break before a tail that would fit") << a.left(9) + cut + c.mid(9) + b << QStringList{b};
    QTest::addRow("break after a carriage return") << a.left(length - 1) + cut + b << QStringList{a, b};
    QTest::addRow("break at the start") << cut + a + cut + cut + b << QStringList{a, b};
}

void TestLineAssembler::badTextCostsOnlyItself()
{
    QFETCH(QString, stream);
    QFETCH(QStringList, lines);
    for (int size : {1, 7, 20, 1000}) {
        LineAssembler assembler(20);
        QCOMPARE(withoutLineFeeds(feedChunks(assembler, stream, {size})), withoutLineFeeds(lines));
    }
}

void TestLineAssembler::severalLinesInOneChunk()
{
    const QStringList expected = goodLines(30, 5);
    LineAssembler assembler(30);
    QCOMPARE(assembler.feed(expected.join(QString()) + QStringLiteral("123")), expected);
    QCOMPARE(assembler.buffer(), QStringLiteral("123"));
}

void TestLineAssembler::lineFeedStartingAChunk()
{
    const QString a = goodLine(30, 1);
    const QString b = goodLine(30, 2);
    LineAssembler assembler(30);
    QCOMPARE(assembler.feed(a.chopped(1)), QStringList{a.chopped(1)});
    QCOMPARE(assembler.feed(QStringLiteral("\n") + b), QStringList{b});
    QVERIFY(assembler.buffer().isEmpty());
}

void TestLineAssembler::bufferIsBounded()
{
    const QString good = goodLine(73, 7);
    for (int length : {73, 5000}) {
        LineAssembler assembler(length);
        QVERIFY(assembler.bufferLimit() >= 2 * length);
        QString tail;
        for (int i = 0; i < 2000; ++i) {
            tail = QStringLiteral("%1").arg(i, 500, 10, QLatin1Char('7'));
            QVERIFY(assembler.feed(tail).isEmpty());
            QVERIFY(assembler.buffer().size() <= assembler.bufferLimit());
        }
        // The newest characters are the ones kept.
        QVERIFY(assembler.buffer().endsWith(tail));
        QCOMPARE(assembler.buffer().size(), assembler.bufferLimit());
    }
    // Once the run of noise ends in a carriage return, lines come through again.
    LineAssembler assembler(73);
    assembler.feed(QString(100000, QLatin1Char('5')));
    QCOMPARE(assembler.feed(QStringLiteral("\r\n") + good), QStringList{good});
}

void TestLineAssembler::noLineLengthCutsNothing()
{
    LineAssembler assembler(0);
    const QString stream = goodLines(73, 400).join(QString());
    QVERIFY(assembler.feed(stream).isEmpty());
    QVERIFY(assembler.feed(QString(40000, QLatin1Char('1'))).isEmpty());
    QVERIFY(assembler.buffer().size() <= assembler.bufferLimit());
}

QTEST_GUILESS_MAIN(TestLineAssembler)
#include "tst_lineassembler.moc"
