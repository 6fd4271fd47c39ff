// The screen pages of the detail-bill queries: thirty calls a page, the
// subtotal summed once and shown after the last call, "第一页" only after the
// end was reached.

#include "CallFixtures.h"

#include "reports/DetailLine.h"
#include "reports/DetailPager.h"

#include <QTest>

using namespace qalor;
using namespace qalor::test;

namespace {

const QString Heading = DetailLine::dateListHeader();

Money totalOf(const QList<CallRow>& calls)
{
    Money total;
    for (const CallRow& call : calls)
        total += call.amount();
    return total;
}

// Counts how often the result is started over.
class CountingSource : public CallListSource
{
public:
    using CallListSource::CallListSource;
    void rewind() override
    {
        ++rewinds;
        CallListSource::rewind();
    }
    int rewinds = 0;
};

} // namespace

class TestDetailPager : public QObject
{
    Q_OBJECT
private slots:
    // 查询 on results around the page size.
    void firstScreen_data()
    {
        QTest::addColumn<int>("calls");
        QTest::addColumn<int>("shown");
        QTest::addColumn<bool>("subtotalShown");
        QTest::newRow("none") << 0 << 0 << true;
        QTest::newRow("one") << 1 << 1 << true;
        QTest::newRow("29") << 29 << 29 << true;
        // Exactly a page: the page ends the result, the subtotal follows at once.
        QTest::newRow("exactly 30") << 30 << 30 << true;
        QTest::newRow("31") << 31 << 30 << false;
    }
    void firstScreen()
    {
        QFETCH(int, calls);
        QFETCH(int, shown);
        QFETCH(bool, subtotalShown);
        const QList<CallRow> rows = numberedCalls(calls);
        DetailPager pager(Heading);
        pager.start(std::make_unique<CallListSource>(rows));

        QStringList expected{Heading};
        for (int i = 0; i < shown; ++i)
            expected << DetailLine::call(rows[i], DetailLine::ListCalleeWidth);
        if (subtotalShown)
            expected << DetailLine::subtotal(totalOf(rows));
        QCOMPARE(pager.lines(), expected);
        QCOMPARE(pager.nextEnabled(), !subtotalShown);
        QVERIFY(!pager.firstEnabled());
    }

    // Walking 61 calls: pages of 30, 30 and 1; the subtotal is the sum of
    // all, counted once however often the pages are walked again.
    void walkingTwiceKeepsTheSubtotal()
    {
        const QList<CallRow> rows = numberedCalls(61);
        auto owned = std::make_unique<CountingSource>(rows);
        CountingSource& source = *owned;
        DetailPager pager(Heading);
        pager.start(std::move(owned));
        QCOMPARE(pager.lines().size(), 31);
        QVERIFY(pager.nextEnabled());

        pager.nextPage();
        QCOMPARE(pager.lines().size(), 31);
        QCOMPARE(pager.lines()[1], DetailLine::call(rows[30], DetailLine::ListCalleeWidth));
        QVERIFY(pager.nextEnabled());
        QVERIFY(!pager.firstEnabled()); // the end has not been reached yet

        pager.nextPage();
        const QString subtotal = DetailLine::subtotal(totalOf(rows));
        QCOMPARE(pager.lines(),
                 (QStringList{Heading, DetailLine::call(rows[60], DetailLine::ListCalleeWidth), subtotal}));
        QVERIFY(!pager.nextEnabled());
        QVERIFY(pager.firstEnabled());

        // 第一页 runs the query again: no subtotal line, nothing added.
        pager.firstPage();
        QCOMPARE(source.rewinds, 2);
        QCOMPARE(pager.lines().size(), 31);
        QCOMPARE(pager.lines()[1], DetailLine::call(rows[0], DetailLine::ListCalleeWidth));
        QVERIFY(pager.nextEnabled());
        QVERIFY(!pager.firstEnabled());

        pager.nextPage();
        QVERIFY(pager.firstEnabled()); // the end was reached on the first pass
        pager.nextPage();
        QCOMPARE(pager.lines().last(), subtotal);
        QCOMPARE(pager.subtotal(), totalOf(rows));

        // A new query starts the sum afresh.
        pager.start(std::make_unique<CallListSource>(numberedCalls(2)));
        QCOMPARE(pager.lines().last(), DetailLine::subtotal(totalOf(numberedCalls(2))));
        QVERIFY(!pager.firstEnabled());
    }

    void nothingBeforeTheFirstQuery()
    {
        DetailPager pager(Heading);
        pager.nextPage();
        pager.firstPage();
        QVERIFY(!pager.hasResult());
        QVERIFY(pager.lines().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDetailPager)
#include "tst_detailpager.moc"
