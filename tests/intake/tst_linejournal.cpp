#include "intake/LineJournal.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace qalor;

class TestLineJournal : public QObject
{
    Q_OBJECT

private slots:
    void linesSurviveARoundTrip();
    void replaceKeepsOnlyTheRemaining();
    void tornLastLineIsDropped();
    void droppedLinesStayDroppedAcrossRestarts();
    void failedWriteIsReported();
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

QTEST_GUILESS_MAIN(TestLineJournal)
#include "tst_linejournal.moc"
