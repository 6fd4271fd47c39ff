#include "TestDatabase.h"

#include "collectordata/CallFeed.h"
#include "collector/CollectorLink.h"
#include "collector/CollectorRequests.h"
#include "db/CDatabase.h"

#include <QTest>
#include <QThread>
#include <atomic>
#include <memory>
#include <optional>

using namespace qalor;
using namespace qalor::test;

// The tables through which collectors and windows meet, with two
// connections (two programs) at once: the windows' feed is read in the order
// its rows were committed, and a window's request runs once, in the
// collector it was sent to.
class TestCollectorTables : public QObject
{
    Q_OBJECT
private slots:
    void aCallCommittedLateIsNotSkipped();
    void aRequestRunsOnceAndItsAnswerIsFinal();
};

namespace {

PricedCall callFrom(const QString& caller)
{
    PricedCall call;
    call.caller = caller;
    call.called = QStringLiteral("13912345678");
    call.start = {QDate(2024, 1, 5), 3600};
    return call;
}

QStringList callers(const QList<CallFeed::Entry>& entries)
{
    QStringList callers;
    for (const CallFeed::Entry& entry : entries)
        callers << entry.call.caller;
    return callers;
}

} // namespace

void TestCollectorTables::aCallCommittedLateIsNotSkipped()
{
    TestDatabase db;
    qint64 seen = CallFeed::newest();
    // One collector has numbered its call and not yet committed it when
    // another collector adds one.
    CDatabase late(db.connectionString());
    std::optional<CTransaction> open(late);
    CallFeed::append(late, QStringLiteral("late/1"), callFrom(QStringLiteral("8001")));
    std::atomic<bool> added = false;
    std::unique_ptr<QThread> other(QThread::create([&, connection = db.connectionString()] {
        CDatabase own(connection);
        CallFeed::append(own, QStringLiteral("other/2"), callFrom(QStringLiteral("8002")));
        added = true;
    }));
    other->start();
    if (TestDatabase::isPostgres()) {
        // The second waits for the first one's commit.
        QTRY_VERIFY_WITH_TIMEOUT(
            db.scalar("SELECT COUNT(*) FROM pg_stat_activity WHERE wait_event_type='Lock' "
                      "AND datname=current_database()")
                    .toInt() == 1,
            30000);
    }
    // A window looks now, and again after both commits.
    QList<CallFeed::Entry> read = CallFeed::after(seen);
    if (!read.isEmpty())
        seen = read.last().number;
    open->commit();
    QVERIFY(other->wait(60000));
    QVERIFY(added);
    read += CallFeed::after(seen);
    QCOMPARE(callers(read), (QStringList{"8001", "8002"}));
    QVERIFY(read.first().number < read.last().number);
    QCOMPARE(CallFeed::newest(), read.last().number);
}

void TestCollectorTables::aRequestRunsOnceAndItsAnswerIsFinal()
{
    TestDatabase db;
    const QString collector = QStringLiteral("desk/100");
    const QString id = CollectorRequests::post(collector, QLatin1String(CollectorRequests::ClosePort));
    // Two looks at once find it waiting; another collector cannot take it,
    // and of the two claims only one lands.
    CDatabase other(db.connectionString());
    QCOMPARE(CollectorRequests::waiting(collector).size(), 1);
    QCOMPARE(CollectorRequests::waiting(collector, other).size(), 1);
    QVERIFY(!CollectorRequests::claim(id, QStringLiteral("desk/200")));
    QVERIFY(CollectorRequests::claim(id, collector, other));
    QVERIFY(!CollectorRequests::claim(id, collector));
    QVERIFY(CollectorRequests::waiting(collector).isEmpty());

    // Progress, then the answer; a late progress text or a second answer
    // changes nothing.
    QVERIFY(CollectorRequests::answer(id, collector, CollectorRequests::Running, QStringLiteral("half")));
    QVERIFY(!CollectorRequests::answer(id, QStringLiteral("desk/200"), CollectorRequests::Failed));
    QVERIFY(CollectorRequests::answer(id, collector, CollectorRequests::Done, QStringLiteral("done")));
    QVERIFY(!CollectorRequests::answer(id, collector, CollectorRequests::Running, QStringLiteral("late")));
    QVERIFY(!CollectorRequests::answer(id, collector, CollectorRequests::Failed, QStringLiteral("again")));
    CollectorRequests::Request request = CollectorRequests::read(id);
    QCOMPARE(request.state, CollectorRequests::Done);
    QCOMPARE(request.text, QStringLiteral("done"));

    // A collector that starts under the name of one long gone (its process
    // number used again) does not run what was sent to that one: the
    // windows get their answer at once.
    const QString waiting = CollectorRequests::post(collector, QLatin1String(CollectorRequests::Hold));
    const QString running = CollectorRequests::post(collector, QLatin1String(CollectorRequests::Reload));
    QVERIFY(CollectorRequests::claim(running, collector));
    CollectorRequests::dropStale(collector);
    QVERIFY(CollectorRequests::waiting(collector).isEmpty());
    for (const QString& dropped : {waiting, running}) {
        request = CollectorRequests::read(dropped);
        QCOMPARE(request.state, CollectorRequests::Failed);
        QCOMPARE(request.text, CollectorLink::noAnswerText());
    }
    QCOMPARE(CollectorRequests::read(id).state, CollectorRequests::Done);
}

QTEST_GUILESS_MAIN(TestCollectorTables)
#include "tst_collector_tables.moc"
