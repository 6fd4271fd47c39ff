#include "intake/LineJournal.h"
#include "serial/StreamBreak.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace qalor;

class TestLineJournal : public QObject
{
    Q_OBJECT

private slots:
    void linesSurviveARoundTrip();
    void keptHeadKeepsItsBreakMark();
    void replaceKeepsOnlyTheRemaining();
    void tornLastLineIsDropped();
    void droppedLinesStayDroppedAcrossRestarts();
    void failedWriteIsReported();
    void readInSlicesAsWhole();
};

void TestLineJournal::linesSurviveARoundTrip()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/pending.journal"));
    const QStringList lines = {
        QStringLiteral("0000 003 01 240315 ABCDEF 101500 102730 2101 013901234567-1     \r\n"),
        QStringLiteral("a\\rb\\nc\\\\"),        // escapes that are only text
        QStringLiteral("\r"),                   // a line cut before its line feed
        QStringLiteral("trailing backslash\\"), // would swallow the separator
        QStringLiteral("收到一条CDR记录\n\n"),
    };
    {
        LineJournal journal(path);
        QVERIFY(journal.isEmpty());
        for (const QString& line : lines)
            journal.append(line);
        QCOMPARE(journal.lines(), lines);
    }
    // What one instance appended, the next one (after a restart) reads.
    LineJournal reopened(path);
    QVERIFY(!reopened.isEmpty());
    QCOMPARE(reopened.lines(), lines);
    reopened.append(QStringLiteral("one more"));
    QCOMPARE(LineJournal(path).lines(), lines + QStringList{QStringLiteral("one more")});
}

// The head of a line a kill cut ends with the break mark U+FFFF, a
// noncharacter: it is written as its UTF-8 bytes (not as the replacement
// character U+FFFD that strict converters put for it) and read back as it
// was cut, also after a rewrite.
void TestLineJournal::keptHeadKeepsItsBreakMark()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("unframed-cdr.journal"));
    const QString head = QStringLiteral("0000 001 01 241118 24111") + QChar(StreamBreak);
    const QString tail = QStringLiteral("8 222613 224012 8002 002 02 02120181291------- \r\n");
    LineJournal journal(path);
    journal.append(head, 88501, 1796711292578);
    journal.append(tail, 88550, 1796711292584);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("\\s88501:0000 001 01 241118 24111\xEF\xBF\xBF\n\\t"));
    QCOMPARE(LineJournal(path).lines(), (QStringList{head, tail}));
    journal.replace({head, tail});
    QCOMPARE(LineJournal(path).lines(), (QStringList{head, tail}));
}

void TestLineJournal::replaceKeepsOnlyTheRemaining()
{
    QTemporaryDir dir;
    LineJournal journal(dir.filePath(QStringLiteral("pending.journal")));
    for (int i = 0; i < 5; ++i)
        journal.append(QStringLiteral("line %1\r\n").arg(i));
    const QStringList rest = {QStringLiteral("line 3\r\n"), QStringLiteral("line 4\r\n")};
    journal.replace(rest);
    QCOMPARE(journal.lines(), rest);
    journal.append(QStringLiteral("line 5\r\n"));
    QCOMPARE(journal.lines(), rest + QStringList{QStringLiteral("line 5\r\n")});
    journal.clear();
    QVERIFY(journal.isEmpty());
    QVERIFY(journal.lines().isEmpty());
}

void TestLineJournal::droppedLinesStayDroppedAcrossRestarts()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.journal"));
    LineJournal journal(path);
    // A line that itself starts like the drop mark must stay a line.
    const QStringList lines = {QStringLiteral("\\d2 looks like a mark"), QStringLiteral("b"),
                               QStringLiteral("c"), QStringLiteral("d"), QStringLiteral("e")};
    for (const QString& line : lines)
        journal.append(line);
    journal.dropFirst(2);
    QCOMPARE(LineJournal(path).lines(), lines.mid(2));
    journal.append(QStringLiteral("f"));
    journal.dropFirst(1);
    QCOMPARE(LineJournal(path).lines(),
             (QStringList{QStringLiteral("d"), QStringLiteral("e"), QStringLiteral("f")}));
    journal.dropFirst(0);
    QCOMPARE(journal.lines().size(), 3);

    // A mark torn by a crash counts for nothing: those lines are still pending.
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append));
    file.write("\\d3");
    file.close();
    QCOMPARE(LineJournal(path).lines().size(), 3);
    journal.dropFirst(10); // more than there are
    QVERIFY(journal.lines().isEmpty());
    QVERIFY(journal.isEmpty());
}

void TestLineJournal::tornLastLineIsDropped()
{
    // The program died while appending: the last line has no line feed.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pending.journal"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("0001 complete\\r\\n\n0002 half");
    file.close();

    LineJournal journal(path);
    QCOMPARE(journal.lines(), QStringList{QStringLiteral("0001 complete\r\n")});
    journal.append(QStringLiteral("0003 next\r\n"));
    QCOMPARE(journal.lines(),
             (QStringList{QStringLiteral("0001 complete\r\n"), QStringLiteral("0003 next\r\n")}));

    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("0004 half");
    file.close();
    QVERIFY(journal.isEmpty());
}

void TestLineJournal::failedWriteIsReported()
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    // The journal's folder cannot be made: a file stands in its place.
    LineJournal journal(dir.filePath(QStringLiteral("file/pending.journal")));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, journal.append(QStringLiteral("lost?")));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, journal.replace({QStringLiteral("lost?")}));
}

void TestLineJournal::readInSlicesAsWhole()
{
    // A long journal is read in slices and counted without being held: the
    // slices and the counts agree with reading it whole, across a rewrite,
    // forgetting marks (also an older file's), several lines written at
    // once and a torn last line that a later append cuts off.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.journal"));
    LineJournal journal(path);
    for (int i = 0; i < 4; ++i)
        journal.append(QStringLiteral("old %1\r\n").arg(i));
    journal.replace({QStringLiteral("kept\r\n")}); // numbered 5
    QStringList lines;
    for (int i = 0; i < 10; ++i)
        lines << QStringLiteral("line %1\r\n").arg(i);
    QCOMPARE(journal.append(lines.mid(0, 7)), 12);
    journal.dropThrough(6);
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append));
    file.write("\\d3\n"); // an older file's mark: the first three entries, through number 7
    file.write("line 7\\r\\n\nline 8\\r\\n\nline 9"); // the last one torn
    file.close();

    int longSlices = 0;
    const auto sliced = [&](LineJournal::Position& at, qint64 done) {
        QStringList read;
        for (QList<LineJournal::Entry> slice = journal.entriesFrom(at, done, 3); !slice.isEmpty();
             slice = journal.entriesFrom(at, done, 3)) {
            longSlices += slice.size() > 3 ? 1 : 0;
            for (const LineJournal::Entry& entry : slice)
                read << entry.text;
        }
        return read;
    };
    for (const qint64 storedThrough : {0, 9, 14, 20}) {
        const LineJournal::Pending pending = journal.pending(storedThrough);
        QCOMPARE(pending.doneThrough, qMax<qint64>(storedThrough, 7));
        QStringList whole;
        for (const LineJournal::Entry& entry : journal.entries(storedThrough))
            whole << entry.text;
        QCOMPARE(pending.count, whole.size());
        LineJournal::Position at;
        QCOMPARE(sliced(at, pending.doneThrough), whole);
    }
    QCOMPARE(longSlices, 0);
    QCOMPARE(journal.pending().count, 7); // line 2 to line 8

    // Reading on from where it stopped finds what was appended since, and
    // not the torn line.
    LineJournal::Position at = journal.pending().end;
    QCOMPARE(at.lastNumber, 14);
    journal.append(QStringLiteral("line 10\r\n"));
    QCOMPARE(sliced(at, 0), QStringList{QStringLiteral("line 10\r\n")});
    QCOMPARE(at.lastNumber, 15);
}

QTEST_GUILESS_MAIN(TestLineJournal)
#include "tst_linejournal.moc"
