#include "intake/LineJournal.h"
#include "receiving/ReportLines.h"
#include "receiving/UnframedRecut.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace qalor;

namespace {
constexpr int LineLength = 20;

QString line(int i)
{
    return QStringLiteral("%1 call line %2")
               .arg(i)
               .arg(i, 4, 10, QLatin1Char('0'))
               .leftJustified(LineLength - 2, QLatin1Char('.')) +
           QStringLiteral("\r\n");
}
} // namespace

// 重新切分 moves lines from the kept pieces to the REPORT lines: whatever
// journal fails or wherever the program dies, every line ends up collected
// exactly once and every piece that is no line stays kept.
class TestUnframedRecut : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void linesMoveAndTheRestStays();
    void refusedReportJournalLosesNothing();
    void crashBetweenTheJournalsCollectsNothingTwice();

private:
    void keepPieces();

    std::optional<QTemporaryDir> m_dir;
    QString m_pieces;
    QString m_report;
    QString m_recut;
};

void TestUnframedRecut::init()
{
    m_dir.emplace();
    m_pieces = m_dir->filePath(QStringLiteral("unframed-cdr.journal"));
    m_report = m_dir->filePath(QStringLiteral("report-lines.journal"));
    m_recut = m_dir->filePath(QStringLiteral("recut-lines.journal"));
    keepPieces();
}

void TestUnframedRecut::keepPieces()
{
    // Three lines: one whole, one cut in two pieces (a head and its tail),
    // one after noise; and the noise.
    LineJournal pieces(m_pieces);
    pieces.append(line(1), 10, 1000);
    pieces.append(line(2).left(7), 17, 1001);
    pieces.append(line(2).mid(7), 30, 1002);
    pieces.append(QStringLiteral("NOISE\r\n"), 37, 1003);
    pieces.append(line(3), 57, 1004);
}

void TestUnframedRecut::linesMoveAndTheRestStays()
{
    LineJournal pieces(m_pieces);
    ReportLines report(m_report);
    UnframedRecut recut(pieces, report, m_recut);
    const UnframedRecut::Result result = recut.run(LineLength);
    QCOMPARE(result.failure, QString());
    QCOMPARE(result.lines, 3);
    QCOMPARE(result.remaining, 1);
    QCOMPARE(LineJournal(m_report).lines(), (QStringList{line(1), line(2), line(3)}));
    QCOMPARE(pieces.lines(), QStringList{QStringLiteral("NOISE\r\n")});
    QVERIFY(LineJournal(m_recut).isEmpty());
    // Cut again: nothing more to collect.
    QCOMPARE(recut.run(LineLength).lines, 0);
    QCOMPARE(LineJournal(m_report).lines().size(), 3);
}

void TestUnframedRecut::refusedReportJournalLosesNothing()
{
    LineJournal pieces(m_pieces);
    ReportLines report(m_report);
    UnframedRecut recut(pieces, report, m_recut);
    // The REPORT journal cannot be written: no line is kept in memory only,
    // and the pieces stay.
    QVERIFY(QDir().mkdir(m_report));
    const UnframedRecut::Result refused = recut.run(LineLength);
    QVERIFY2(refused.failure.contains(m_report), qPrintable(refused.failure));
    QCOMPARE(refused.lines, 0);
    QCOMPARE(report.size(), 0);
    QCOMPARE(pieces.entries().size(), 5);
    QVERIFY(QDir().rmdir(m_report));

    // Writable again: the recut goes on where it stopped, after a restart too.
    LineJournal piecesAgain(m_pieces);
    ReportLines reportAgain(m_report);
    QString failure;
    QVERIFY(UnframedRecut(piecesAgain, reportAgain, m_recut).finish(failure));
    QCOMPARE(reportAgain.lines(), (QStringList{line(1), line(2), line(3)}));
    QCOMPARE(piecesAgain.lines(), QStringList{QStringLiteral("NOISE\r\n")});
}

void TestUnframedRecut::crashBetweenTheJournalsCollectsNothingTwice()
{
    // The state a crash leaves after the recut journal was written and two
    // of its three lines were collected, before the pieces were replaced.
    {
        ReportLines before(m_report);
        QVERIFY(before.collect(line(9), 5));
        LineJournal recutJournal(m_recut);
        recutJournal.replace({line(1), line(2), line(3), QStringLiteral("NOISE\r\n")},
                             {{'n', 3}, {'r', before.journal().lastNumber()}, {'u', 5}});
        QVERIFY(before.collect(line(1)));
        QVERIFY(before.collect(line(2)));
    }
    LineJournal pieces(m_pieces);
    ReportLines report(m_report);
    QString failure;
    QVERIFY(UnframedRecut(pieces, report, m_recut).finish(failure));
    QCOMPARE(LineJournal(m_report).lines(), (QStringList{line(9), line(1), line(2), line(3)}));
    QCOMPARE(pieces.lines(), QStringList{QStringLiteral("NOISE\r\n")});

    // A crash after the pieces were replaced, before the recut journal was
    // emptied: nothing more is collected.
    LineJournal(m_recut).replace({line(1), line(2), line(3), QStringLiteral("NOISE\r\n")},
                                 {{'n', 3}, {'r', 1}, {'u', 5}});
    QVERIFY(UnframedRecut(pieces, report, m_recut).finish(failure));
    QCOMPARE(LineJournal(m_report).lines().size(), 4);
    QCOMPARE(pieces.lines(), QStringList{QStringLiteral("NOISE\r\n")});
    QVERIFY(LineJournal(m_recut).isEmpty());
}

QTEST_GUILESS_MAIN(TestUnframedRecut)
#include "tst_unframedrecut.moc"
