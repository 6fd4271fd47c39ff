#include "intake/LineAssembler.h"
#include "intake/RecentLines.h"
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
    void noCharacterIsLost_data();
    void noCharacterIsLost();
    void bufferIsBounded();
    void noLineLengthCutsNothing();
    void pieceAfterABreakSaysSo_data();
    void pieceAfterABreakSaysSo();
    void recentLinesFromTheJournal_data();
    void recentLinesFromTheJournal();
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
    QTest::addRow("noise ending in LF alone") << a + QStringLiteral("#$%^&*\n") + b << QStringList{a, b};
    QTest::addRow("noise ending in CR alone") << a + QStringLiteral("#$%^&*\r") + b << QStringList{a, b};
    QTest::addRow("noise of line length ending in LF alone")
        << a + QStringLiteral("9") + a.mid(1, length - 3) + QStringLiteral("\n") + b << QStringList{a, b};
    QTest::addRow("line of another length")
        << a.left(length - 2) + QStringLiteral("77\r\n") + b << QStringList{b};
    QTest::addRow("NUL inside a line") << a.left(9) + QChar(0) + a.mid(10) + b << QStringList{b};
    QTest::addRow("control character inside a line")
        << a + a.left(9) + QChar(0x1b) + a.mid(10) + b << QStringList{a, b};
    QTest::addRow("carriage return followed by the next line")
        << a.left(length - 1) + b << QStringList{a.left(length - 1), b};
    // A stream break (a new network connection) ends an unfinished line.
    const QString cut(QChar{StreamBreak});
    const QString c = goodLine(length, 3);
    QTest::addRow("break between lines") << a + cut + b << QStringList{a, b};
    QTest::addRow("break in a line") << a.left(9) + cut + b << QStringList{b};
    QTest::addRow("break before the rest of a line") << a.left(9) + cut + a.mid(9) + b << QStringList{b};
    QTest::addRow("break before a tail that would fit") << a.left(9) + cut + c.mid(9) + b << QStringList{b};
    QTest::addRow("break counted into a tail that would fit")
        << a.left(9) + cut + c.mid(10) + b << QStringList{b};
    QTest::addRow("break after a carriage return")
        << a.left(length - 1) + cut + b << QStringList{a.left(length - 1), b};
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
    // A chunk that ends right after a well-placed carriage return: the line
    // waits for its line feed, so it is never handed on ending in a bare CR.
    const QString a = goodLine(30, 1);
    const QString b = goodLine(30, 2);
    LineAssembler assembler(30);
    QCOMPARE(assembler.feed(a.chopped(1)), QStringList());
    QCOMPARE(assembler.feed(QStringLiteral("\n") + b), (QStringList{a, b}));
    QVERIFY(assembler.buffer().isEmpty());
}

void TestLineAssembler::noCharacterIsLost_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed = 1; seed <= 40; ++seed)
        QTest::addRow("seed %u", seed) << seed;
}

void TestLineAssembler::noCharacterIsLost()
{
    // Good lines, noise, stray line ends and control bytes in random chunks:
    // every character other than a line end comes out again, in a line, in
    // unframed text or still in the buffer, and the positions add up.
    QFETCH(quint32, seed);
    QRandomGenerator random(seed);
    const int length = 24;
    QString stream;
    QStringList expected;
    for (int i = 0; i < 60; ++i) {
        switch (random.bounded(6)) {
        case 0:
            stream += QStringLiteral("noise%1").arg(i) +
                      (random.bounded(2) ? QLatin1Char('\r') : QLatin1Char('\n'));
            break;
        case 1:
            stream += QString(random.bounded(1, 40), QChar(random.bounded(0, 128))) + QLatin1Char('\n');
            break;
        default:
            expected << goodLine(length, i);
            stream += expected.last();
        }
    }
    // Whatever noise preceded it, the last line is framed once its line end is there.
    expected << goodLine(length, 999);
    stream += QStringLiteral("\r\n") + expected.last();
    LineAssembler assembler(length);
    assembler.restart(1000);
    QString out;
    QStringList lines;
    qint64 position = 1000;
    for (qsizetype at = 0; at < stream.size();) {
        const int size = random.bounded(1, 3 * length);
        for (const LineAssembler::Piece& piece : assembler.take(stream.mid(at, size))) {
            QVERIFY(piece.end - piece.text.size() >= position);
            position = piece.end;
            out += piece.text;
            if (piece.line)
                lines << piece.text;
        }
        at += size;
    }
    QVERIFY(assembler.position() >= position);
    const auto printableOnly = [](QString text) {
        text.remove(QLatin1Char('\r'));
        text.remove(QLatin1Char('\n'));
        return text;
    };
    QCOMPARE(printableOnly(out + assembler.buffer()), printableOnly(stream));
    QCOMPARE(assembler.position() + assembler.buffer().size(), 1000 + stream.size());
    // Every expected line came out (noise may hold digits that frame by chance
    // only when a run of exactly the line length starts with a digit).
    for (const QString& line : std::as_const(expected))
        QVERIFY2(lines.contains(line), qPrintable(line));
}

void TestLineAssembler::bufferIsBounded()
{
    const QString good = goodLine(73, 7);
    for (int length : {73, 5000}) {
        LineAssembler assembler(length);
        QVERIFY(assembler.bufferLimit() >= 2 * length);
        QString tail;
        qint64 handedOut = 0;
        for (int i = 0; i < 2000; ++i) {
            tail = QStringLiteral("%1").arg(i, 500, 10, QLatin1Char('7'));
            for (const LineAssembler::Piece& piece : assembler.take(tail)) {
                QVERIFY(!piece.line);
                handedOut += piece.text.size();
            }
            QVERIFY(assembler.buffer().size() <= assembler.bufferLimit());
        }
        // The newest characters stay; the older ones were handed out, not dropped.
        QVERIFY(assembler.buffer().endsWith(tail.right(length - 1)));
        QCOMPARE(handedOut + assembler.buffer().size(), 2000 * 500);
    }
    // Once the run of noise ends in a carriage return, lines come through again.
    LineAssembler assembler(73);
    assembler.feed(QString(100000, QLatin1Char('5')));
    QCOMPARE(assembler.feed(QStringLiteral("\r\n") + good), QStringList{good});
}

void TestLineAssembler::noLineLengthCutsNothing()
{
    // Without a layout nothing is cut or dropped: the characters wait for it.
    LineAssembler assembler(0);
    const QString stream = goodLines(73, 400).join(QString());
    QVERIFY(assembler.take(stream).isEmpty());
    QCOMPARE(assembler.buffer(), stream);
    assembler.setLineLength(73);
    QCOMPARE(assembler.feed(QString()), goodLines(73, 400));
}

void TestLineAssembler::pieceAfterABreakSaysSo_data()
{
    const QString line = goodLine(9, 1);
    const QString brk = QString(QChar(StreamBreak));
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<bool>>("afterBreak"); // of each piece, in order
    QTest::addRow("none") << line + line << QList<bool>{false, false};
    QTest::addRow("between lines") << line + brk + line << QList<bool>{false, true};
    QTest::addRow("after the carriage return") << line.chopped(1) + brk + line << QList<bool>{false, true};
    QTest::addRow("inside a line") << line.left(4) + brk + line << QList<bool>{false, true};
    QTest::addRow("two breaks, one mark")
        << line + brk + brk + QStringLiteral("\n") + line << QList<bool>{false, true};
    QTest::addRow("noise after the break")
        << line + brk + QStringLiteral("ab\r\n") + line << QList<bool>{false, true, false};
}

void TestLineAssembler::pieceAfterABreakSaysSo()
{
    QFETCH(QString, text);
    QFETCH(QList<bool>, afterBreak);
    // However the text is cut, the mark goes with the first piece after the break.
    for (int size = 1; size <= text.size(); ++size) {
        LineAssembler assembler(9);
        QList<bool> got;
        for (qsizetype at = 0; at < text.size(); at += size)
            for (const LineAssembler::Piece& piece : assembler.take(text.mid(at, size)))
                got << piece.afterBreak;
        for (const LineAssembler::Piece& piece : assembler.take(QStringLiteral("x")))
            got << piece.afterBreak;
        QCOMPARE(got, afterBreak);
    }
}

void TestLineAssembler::recentLinesFromTheJournal_data()
{
    const QStringList lines = goodLines(9, 12);
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("known");
    QTest::addColumn<QStringList>("unknown");
    QTest::addRow("whole lines") << lines.mid(0, 3).join(QString()) << lines.mid(0, 3) << lines.mid(3, 1);
    QTest::addRow("cut before the line feed")
        << lines.at(0) + lines.at(1).chopped(1) << lines.mid(0, 2) << QStringList();
    QTest::addRow("unfinished last") << lines.at(0) + lines.at(1).left(5) << lines.mid(0, 1)
                                     << lines.mid(1, 1);
    QTest::addRow("the last few only")
        << lines.join(QString()) << lines.mid(12 - RecentLines::Kept) << lines.mid(0, 12 - RecentLines::Kept);
    QTest::addRow("across a break") << lines.at(0).left(3) + QChar(StreamBreak) + lines.at(1)
                                    << lines.mid(1, 1) << lines.mid(0, 1);
}

void TestLineAssembler::recentLinesFromTheJournal()
{
    QFETCH(QString, text);
    QFETCH(QStringList, known);
    QFETCH(QStringList, unknown);
    const RecentLines recent = RecentLines::fromText(text, 1000 + text.size());
    for (const QString& line : known)
        QVERIFY2(recent.contains(line), qPrintable(line));
    for (const QString& line : unknown)
        QVERIFY2(!recent.contains(line), qPrintable(line));
    // The oldest line kept starts where the text holds it; the newest ends
    // with the text unless an unfinished line follows it.
    const qint64 at = recent.oldestStart() - 1000;
    QCOMPARE(text.mid(at, known.first().size() - 1), known.first().chopped(1));
    const qint64 lastEnd = recent.endOf(known.last()) - 1000;
    QVERIFY(text.left(lastEnd).endsWith(known.last()) ||
            text.left(lastEnd).endsWith(known.last().chopped(1)));
    QVERIFY(lastEnd == text.size() || !text.mid(lastEnd).contains(QLatin1Char('\r')));
}

QTEST_GUILESS_MAIN(TestLineAssembler)
#include "tst_lineassembler.moc"
