#include "TestDatabase.h"

#include "db/CDatabase.h"
#include "intake/JournalMark.h"
#include "intake/LineJournal.h"
#include "intake/ReceivedJournal.h"
#include "receiving/RepeatDetector.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace qalor;
using namespace qalor::test;

namespace {
QString line(int i)
{
    return QStringLiteral("%1 call line\r\n").arg(i, 4, 10, QLatin1Char('0'));
}
} // namespace

// After a break the device may send again the lines it sent just before it.
// A call line is left out as a repeat only when the data source held it
// when the break came: one it had not stored (it was changed or restored
// meanwhile) must be priced, or the call is lost.
class TestRepeatDetector : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void onlyLinesStoredWhenTheBreakCameAreRepeats();
    void noDataSourceNoRepeat();

private:
    std::optional<QTemporaryDir> m_dir;
};

void TestRepeatDetector::init()
{
    m_dir.emplace();
    qputenv("QALOR_DATA_DIR", m_dir->path().toLocal8Bit());
}

void TestRepeatDetector::onlyLinesStoredWhenTheBreakCameAreRepeats()
{
    TestDatabase db;
    ReceivedJournal received(m_dir->filePath(QStringLiteral("received.journal")));
    const QString text = line(1) + line(2) + line(3);
    received.append(text);
    const qint64 firstTwo = line(1).size() * 2;
    {
        JournalMark::ensureTable();
        CTransaction transaction(CDatabase::shared());
        JournalMark::write(received.identity(), firstTwo);
        transaction.commit();
    }
    RepeatDetector repeats(received);
    repeats.restore(text, text.size());

    // Without a break nothing is taken for a repeat.
    QVERIFY(!repeats.skip(line(1), false));

    repeats.breakCame();
    QVERIFY(repeats.skip(line(2), false));
    QVERIFY(!repeats.skip(line(3), false)); // sent before the break, never stored
    repeats.handled(line(3), text.size());
    QVERIFY(repeats.skip(line(1), false));

    const QList<LineJournal::Entry> notes = LineJournal(RepeatDetector::notesPath()).entries();
    QCOMPARE(notes.size(), 2);
    QVERIFY(notes.at(0).text.endsWith(line(2)));
    QVERIFY(notes.at(1).text.endsWith(line(1)));
}

void TestRepeatDetector::noDataSourceNoRepeat()
{
    // The data source cannot say what it holds: the line goes on to be
    // stored, where its own mark check keeps it from being stored twice.
    ReceivedJournal received(m_dir->filePath(QStringLiteral("received.journal")));
    received.append(line(1));
    RepeatDetector repeats(received);
    repeats.restore(line(1), line(1).size());
    repeats.breakCame();
    QVERIFY(!repeats.skip(line(1), false));
    // A REPORT line is collected, not stored: the lines before the break decide.
    QVERIFY(repeats.skip(line(1), true));
}

QTEST_GUILESS_MAIN(TestRepeatDetector)
#include "tst_repeatdetector.moc"
