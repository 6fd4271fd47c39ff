#include "ByteEscape.h"
#include "ByteRecorder.h"
#include "CallGenerator.h"
#include "ChunkCutter.h"

#include <QRegularExpression>
#include <QTest>

using namespace qalor;
using namespace qalor::pbxsim;

class TestPbxSim : public QObject
{
    Q_OBJECT

private slots:
    void generatedLinesReadBackByPosition();
    void seedRepeatsCalls();
    void layoutDecidesWhatIsPrinted();
    void chunksKeepTheStream_data();
    void chunksKeepTheStream();
    void escaping_data();
    void escaping();
};

void TestPbxSim::generatedLinesReadBackByPosition()
{
    // Positions of the default layout: each printed field and its separator.
    CallGenerator generator(42, QDate(2025, 3, 1));
    const QRegularExpression dialled(QStringLiteral("^(\\d+)-*$"));
    const QRegularExpression knownPrefix(
        QStringLiteral("^([2-8]\\d{6,7}|1[3-9]\\d{9}|0769[2-8]\\d{6}|0(20|10|21)[2-8]\\d{7}|00\\d{8,12}|"
                       "95\\d{3}|168\\d{4,5})$"));
    QSet<QString> extensions;
    for (int i = 0; i < 500; ++i) {
        const QByteArray line = formatCdrLine(generator.next(QDateTime()), defaultCdrLayout());
        QCOMPARE(line.size(), 73);
        QVERIFY(line.endsWith("\r\n"));
        for (int separator : {4, 8, 11, 25, 32, 39, 44, 48, 51, 70})
            QCOMPARE(line.at(separator), ' ');
        QCOMPARE(line.left(4), QByteArray("0000"));
        const QString text = QString::fromLatin1(line);
        const QDateTime start = QDateTime::fromString(
            QStringLiteral("20") + text.mid(12, 6) + text.mid(26, 6), QStringLiteral("yyyyMMddHHmmss"));
        const QDateTime end = QDateTime::fromString(QStringLiteral("20") + text.mid(19, 6) + text.mid(33, 6),
                                                    QStringLiteral("yyyyMMddHHmmss"));
        QVERIFY2(start.isValid() && end.isValid(), line.constData());
        QVERIFY2(start.secsTo(end) >= 5 && start.secsTo(end) <= 1200, line.constData());
        const int extension = text.mid(40, 4).toInt();
        QVERIFY2(extension >= 8001 && extension <= 8016, line.constData());
        extensions.insert(text.mid(40, 4));
        QVERIFY(text.mid(45, 3).toInt() >= 1);
        QVERIFY(text.mid(49, 2).toInt() >= 1);
        const auto match = dialled.match(text.mid(52, 18));
        QVERIFY2(match.hasMatch(), line.constData());
        QVERIFY2(knownPrefix.match(match.captured(1)).hasMatch(), line.constData());
    }
    QCOMPARE(extensions.size(), 16);
}

void TestPbxSim::seedRepeatsCalls()
{
    CallGenerator first(7, QDate(2025, 1, 31));
    CallGenerator second(7, QDate(2025, 1, 31));
    CallGenerator other(8, QDate(2025, 1, 31));
    QByteArray a, b, c;
    for (int i = 0; i < 50; ++i) {
        a += formatCdrLine(first.next(QDateTime()), defaultCdrLayout());
        b += formatCdrLine(second.next(QDateTime()), defaultCdrLayout());
        c += formatCdrLine(other.next(QDateTime()), defaultCdrLayout());
    }
    QCOMPARE(a, b);
    QVERIFY(a != c);
    // Without a fixed date the calls end at the moment given.
    CallGenerator live(7, std::nullopt);
    const QDateTime now(QDate(2025, 6, 1), QTime(10, 0));
    const GeneratedCall call = live.next(now);
    QVERIFY(call.end <= now && call.end.secsTo(now) <= 20);
}

void TestPbxSim::layoutDecidesWhatIsPrinted()
{
    QList<CdrFieldRow> layout = defaultCdrLayout();
    layout[10].output = 0; // no extension field: the caller identity carries it
    layout[26].output = 1;
    layout[8].output = 1; // duration hhmmss
    const int length = cdrLineLength(layout);
    QCOMPARE(length, 73 - 5 + 8 + 7);
    CallGenerator generator(3, QDate(2025, 2, 2));
    const GeneratedCall call = generator.next(QDateTime());
    const QByteArray line = formatCdrLine(call, layout);
    QCOMPARE(line.size(), length);
    // 4+1 3+1 2+1 13+1 6+1 6+1 then the duration at 40.
    const qint64 seconds = call.start.secsTo(call.end);
    QCOMPARE(line.mid(40, 6), QStringLiteral("%1%2%3")
                                  .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
                                  .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                                  .arg(seconds % 60, 2, 10, QLatin1Char('0'))
                                  .toLatin1());
    QCOMPARE(line.mid(length - 2 - 8 + 3, 4), call.extension.toLatin1());
}

void TestPbxSim::chunksKeepTheStream_data()
{
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::newRow("single bytes") << 1 << 1;
    QTest::newRow("short bursts") << 3 << 17;
    QTest::newRow("longer than a line") << 60 << 200;
}

void TestPbxSim::chunksKeepTheStream()
{
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    CallGenerator generator(5, QDate(2025, 4, 4));
    QList<QByteArray> lines;
    QByteArray stream;
    for (int i = 0; i < 40; ++i) {
        lines.append(formatCdrLine(generator.next(QDateTime()), defaultCdrLayout()));
        stream += lines.last();
    }
    // At once: every chunk but the last within the bounds.
    QSet<qsizetype> whole;
    qsizetype at = 0;
    const QList<QByteArray> chunks = ChunkCutter(11, minimum, maximum).cut(stream);
    for (qsizetype i = 0; i < chunks.size(); ++i) {
        QVERIFY(i == chunks.size() - 1 || (chunks[i].size() >= minimum && chunks[i].size() <= maximum));
        at += chunks[i].size();
        whole.insert(at);
    }
    QCOMPARE(chunks.join(), stream);
    // Line by line: the same chunks, only also cut where a line ends.
    ChunkCutter byLine(11, minimum, maximum);
    QSet<qsizetype> expected = whole;
    QSet<qsizetype> cuts;
    QByteArray received;
    for (const QByteArray& line : lines) {
        for (const QByteArray& piece : byLine.cut(line)) {
            received += piece;
            cuts.insert(received.size());
        }
        expected.insert(received.size());
    }
    QCOMPARE(received, stream);
    QCOMPARE(cuts, expected);
}

void TestPbxSim::escaping_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("line end") << QByteArray("0000 001\r\n") << QStringLiteral("0000 001\\r\\n");
    QTest::newRow("backslash and tab") << QByteArray("a\\b\t") << QStringLiteral("a\\\\b\\t");
    QTest::newRow("control and high bytes")
        << QByteArray("\x1b\xc4\xe3\x00", 4) << QStringLiteral("\\x1b\\xc4\\xe3\\x00");
    QTest::newRow("login break and blanks") << QByteArray("\x03select  1\r") << QStringLiteral("\\x03select  1\\r");
}

void TestPbxSim::escaping()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(escapeBytes(bytes), text);
    // The record reads back to the very bytes, blanks included.
    QCOMPARE(unescapeBytes(text), bytes);
    ByteRecorder::Entry entry;
    QVERIFY(ByteRecorder::parse(QStringLiteral("2026-03-15T10:15:00.120 MODEM 1532.418 ") + text, entry));
    QCOMPARE(entry.line, QStringLiteral("MODEM"));
    QCOMPARE(entry.ms, 1532.418);
    QCOMPARE(entry.bytes, bytes);
}

QTEST_GUILESS_MAIN(TestPbxSim)
#include "tst_pbxsim.moc"
