// The printed detail bill of both query dialogs as a page model, compared
// whole with the golden files, and the line it prints for one call.

#include "CallFixtures.h"
#include "GoldenFile.h"

#include "reports/DetailBill.h"
#include "reports/DetailLine.h"

#include <QTest>

using namespace qalor;
using namespace qalor::test;

Q_DECLARE_METATYPE(qalor::DetailLayout)

namespace {

// A page of ten 85-pixel line slots: a page holds six calls (slots 2-7).
const PageGeometry SmallPage{4800, 850, 85};

DetailBillOptions options(DetailLayout layout)
{
    return {layout, QDate(2024, 1, 1), QDate(2024, 1, 31)};
}

ReportDocument bill(DetailLayout layout, int calls, const PageGeometry& page = SmallPage)
{
    CallListSource source(numberedCalls(calls));
    return DetailBill::build(source, page, options(layout));
}

} // namespace

class TestDetailBill : public QObject
{
    Q_OBJECT
private slots:
    void layouts_data()
    {
        QTest::addColumn<DetailLayout>("layout");
        QTest::addColumn<int>("calls");
        QTest::addColumn<QString>("golden");
        for (const auto& [layout, prefix] : {std::pair{DetailLayout::ByDate, "date"},
                                             std::pair{DetailLayout::ByCallee, "callee"}}) {
            const QString name = QString::fromLatin1(prefix);
            // Seven calls: the first page ends after the sixth, at slot N - 2;
            // the seventh (a destination wider than its column) and the
            // subtotal go on page 2.
            QTest::addRow("%s, page break", prefix) << layout << 7 << name + QStringLiteral("_break.txt");
            // Six calls fill the page: the subtotal gets a page of its own.
            QTest::addRow("%s, last call fills the page", prefix)
                << layout << 6 << name + QStringLiteral("_full_page.txt");
            QTest::addRow("%s, no calls", prefix) << layout << 0 << name + QStringLiteral("_empty.txt");
        }
    }
    void layouts()
    {
        QFETCH(DetailLayout, layout);
        QFETCH(int, calls);
        QFETCH(QString, golden);
        QString why;
        QVERIFY2(qalor::test::matchesGolden(QStringLiteral(QALOR_GOLDEN_DIR "/") + golden,
                                            bill(layout, calls).dump(), &why),
                 qPrintable(why));
    }

    // The break falls where the slots run out, for both layouts alike: on a
    // sheet of 6800 pixels (80 slots) 76 calls per page.
    void callsPerPage_data()
    {
        QTest::addColumn<DetailLayout>("layout");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("perPage");
        for (DetailLayout layout : {DetailLayout::ByDate, DetailLayout::ByCallee}) {
            const char* name = layout == DetailLayout::ByDate ? "date" : "callee";
            QTest::addRow("%s, 6800 px", name) << layout << 6800 << 76;
            QTest::addRow("%s, 6884 px", name) << layout << 6884 << 76;
            QTest::addRow("%s, 6885 px", name) << layout << 6885 << 77;
        }
    }
    void callsPerPage()
    {
        QFETCH(DetailLayout, layout);
        QFETCH(int, height);
        QFETCH(int, perPage);
        const ReportDocument document = bill(layout, 2 * perPage + 1, PageGeometry{4800, height, 85});
        QCOMPARE(document.pages.size(), 3);
        // Title and heading, then the calls; the last page holds one call and the subtotal.
        QCOMPARE(document.pages[0].items.size(), perPage + 2);
        QCOMPARE(document.pages[1].items.size(), perPage + 2);
        QCOMPARE(document.pages[2].items.size(), 4);
        QVERIFY(document.pages[2].items.last().text.contains(QStringLiteral("小计金额:")));
    }

    // The total counts charge, service fee and surcharge of every call,
    // across pages.
    void totalOfAllPages()
    {
        QList<CallRow> calls = numberedCalls(13);
        Money expected;
        for (const CallRow& call : calls)
            expected += Money::fromStored(call.charge) + Money::fromStored(call.service) +
                        Money::fromStored(call.surcharge);
        CallListSource source(calls);
        const ReportDocument document = DetailBill::build(source, SmallPage, options(DetailLayout::ByDate));
        QCOMPARE(document.pages.last().items.last().text, DetailLine::subtotal(expected));
        QCOMPARE(DetailLine::subtotal(expected), QStringLiteral("         小计金额:26.05"));
    }

    void callLine_data()
    {
        QTest::addColumn<QString>("destination");
        QTest::addColumn<float>("charge");
        QTest::addColumn<QString>("line");
        QTest::newRow("short destination, half a yuan")
            << QStringLiteral("广州") << 12.5f
            << QStringLiteral("8001 114                240105 083000     65  0.50     3   12.50   0.10   0.00       广州");
        QTest::newRow("destination wider than 10 bytes, printed whole")
            << QStringLiteral("广东省广州市番禺区") << 0.004f
            << QStringLiteral("8001 114                240105 083000     65  0.50     3    0.00   0.10   0.00 广东省广州市番禺区");
    }
    void callLine()
    {
        QFETCH(QString, destination);
        QFETCH(float, charge);
        QFETCH(QString, line);
        CallRow row;
        row.caller = QStringLiteral("8001");
        row.callee = QStringLiteral("114");
        row.date = QStringLiteral("240105");
        row.time = QStringLiteral("083000");
        row.duration = 65.4f;
        row.rate = 0.5f;
        row.units = 2.5f;
        row.charge = charge;
        row.service = 0.1f;
        row.surcharge = 0.004f;
        row.destination = destination;
        QCOMPARE(DetailLine::call(row, DetailLine::ListCalleeWidth), line);
    }
};

QTEST_GUILESS_MAIN(TestDetailBill)
#include "tst_detailbill.moc"
