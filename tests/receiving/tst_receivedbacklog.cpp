#include "FakeCommControl.h"

#include "intake/ReceivedJournal.h"
#include "receiving/ReceivedBacklog.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace qalor;
using namespace qalor::test;

// A collector far behind a fast line holds a bounded piece of its backlog in
// memory; the rest is read back from the received journal, and every
// character is handed out once and in order, also after a rewind.
class TestReceivedBacklog : public QObject
{
    Q_OBJECT

private slots:
    void aLongBacklogIsHeldInBoundedPieces();
};

void TestReceivedBacklog::aLongBacklogIsHeldInBoundedPieces()
{
    QTemporaryDir dir;
    ReceivedJournal journal(dir.filePath(QStringLiteral("received.journal")));
    ReceivedBacklog backlog(journal);
    FakeCommControl port;
    port.setPortOpen(true);
    // Chunks as a busy port delivers them, each taken in and journalled
    // before any is cut; a character outside the basic plane (a surrogate
    // pair) lands on piece boundaries.
    QString sent;
    while (sent.size() < 5 * ReceivedBacklog::Held) {
        const QString chunk =
            QStringLiteral("%1 ").arg(sent.size()).repeated(800) + QStringLiteral("\U0001F4DE");
        sent += chunk;
        port.deliver(chunk);
        backlog.read(port);
        QString failure;
        QVERIFY2(backlog.journal(failure), qPrintable(failure));
        QVERIFY(backlog.held() <= ReceivedBacklog::Held);
    }
    QCOMPARE(journal.end(), sent.size());

    QString handed;
    while (backlog.waiting()) {
        const QString slice = backlog.next();
        QVERIFY(!slice.isEmpty());
        QVERIFY(slice.size() <= ReceivedBacklog::Slice);
        QVERIFY(!slice.front().isLowSurrogate());
        QVERIFY(backlog.held() <= ReceivedBacklog::Held);
        handed += slice;
    }
    QCOMPARE(handed.size(), sent.size());
    QVERIFY(handed == sent);

    // A line that has to wait: everything from its start is handed out again.
    const qint64 from = sent.size() / 3;
    backlog.rewind(from);
    handed.clear();
    while (backlog.waiting())
        handed += backlog.next();
    QVERIFY(handed == sent.mid(from));
}

QTEST_GUILESS_MAIN(TestReceivedBacklog)
#include "tst_receivedbacklog.moc"
