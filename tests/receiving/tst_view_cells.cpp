#include "rating/CCallRater.h"
#include "receiving/ReceivedCallsModel.h"

#include <QSignalSpy>
#include <QTest>

using namespace qalor;

namespace {

PricedCall sampleCall()
{
    PricedCall call;
    call.caller = QStringLiteral("8001");
    call.called = QStringLiteral("13800138000");
    call.start = {QDate(2026, 3, 15), 9 * 3600 + 30 * 60};
    call.seconds = 90;
    call.effectiveRate = 0.4f;
    call.charge = 0.8f;
    call.surcharge = 0;
    call.area = QStringLiteral("移动电话");
    return call;
}

} // namespace

class TestViewCells : public QObject
{
    Q_OBJECT
private slots:
    void moneyColumns_data();
    void moneyColumns();
    void textColumns();
    void newestThirtyOnTop();
    void reportNotes();
};

void TestViewCells::moneyColumns_data()
{
    QTest::addColumn<float>("amount");
    QTest::addColumn<QString>("rate");   // padded to 5
    QTest::addColumn<QString>("charge"); // padded to 7
    QTest::newRow("below a cent") << 0.004f << QStringLiteral(" 0.00") << QStringLiteral("   0.00");
    QTest::newRow("rounds down below a cent")
        << 0.007f << QStringLiteral(" 0.00") << QStringLiteral("   0.00");
    QTest::newRow("negative") << -3.5f << QStringLiteral(" 0.00") << QStringLiteral("   0.00");
    QTest::newRow("rounds up to one") << 0.999f << QStringLiteral(" 1.00") << QStringLiteral("   1.00");
    QTest::newRow("rounds up to a dime") << 0.096f << QStringLiteral(" 0.10") << QStringLiteral("   0.10");
    QTest::newRow("half") << 0.5f << QStringLiteral(" 0.50") << QStringLiteral("   0.50");
    QTest::newRow("already wide") << 12.5f << QStringLiteral("12.50") << QStringLiteral("  12.50");
    QTest::newRow("wider than the column")
        << 123456.5f << QStringLiteral("123456.50") << QStringLiteral("123456.50");
}

void TestViewCells::moneyColumns()
{
    QFETCH(float, amount);
    QFETCH(QString, rate);
    QFETCH(QString, charge);
    PricedCall call = sampleCall();
    call.effectiveRate = amount;
    call.charge = amount;
    call.surcharge = amount;
    const QStringList cells = ReceivedCallsModel::cellsFor(call);
    QCOMPARE(cells.at(ReceivedCallsModel::Rate), rate);
    QCOMPARE(cells.at(ReceivedCallsModel::Charge), charge);
    QCOMPARE(cells.at(ReceivedCallsModel::Surcharge), charge);
}

void TestViewCells::textColumns()
{
    PricedCall call = sampleCall();
    call.start = {QDate(2026, 1, 2), 23 * 3600 + 59 * 60 + 30};
    call.seconds = 3 * 3600 + 25 * 60 + 7;
    QStringList cells = ReceivedCallsModel::cellsFor(call);
    QCOMPARE(cells.size(), int(ReceivedCallsModel::ColumnCount));
    QCOMPARE(cells.at(ReceivedCallsModel::Caller), QStringLiteral("8001"));
    QCOMPARE(cells.at(ReceivedCallsModel::Called), QStringLiteral("13800138000      "));
    QCOMPARE(cells.at(ReceivedCallsModel::Date), QStringLiteral("2026-01-02"));
    QCOMPARE(cells.at(ReceivedCallsModel::Time), QStringLiteral("23:59:30"));
    QCOMPARE(cells.at(ReceivedCallsModel::Duration), QStringLiteral("03:25:07"));
    // The description is padded by its printed width: a Chinese character takes two places.
    QCOMPARE(cells.at(ReceivedCallsModel::Area), QStringLiteral("  移动电话"));

    // Long texts are never cut.
    call.called = QStringLiteral("008613800138000123");
    call.area = QStringLiteral("国际长途美国");
    cells = ReceivedCallsModel::cellsFor(call);
    QCOMPARE(cells.at(ReceivedCallsModel::Called), call.called);
    QCOMPARE(cells.at(ReceivedCallsModel::Area), call.area);
}

void TestViewCells::newestThirtyOnTop()
{
    ReceivedCallsModel model;
    PricedCall call = sampleCall();
    for (int i = 1; i <= 31; ++i) {
        call.called = QString::number(i);
        model.addCall(call);
        QCOMPARE(model.rowCount(), qMin(i, 30));
    }
    QCOMPARE(model.cell(0, ReceivedCallsModel::Called).trimmed(), QStringLiteral("31"));
    QCOMPARE(model.cell(29, ReceivedCallsModel::Called).trimmed(), QStringLiteral("2"));
    QCOMPARE(model.headerData(ReceivedCallsModel::Called, Qt::Horizontal).toString(),
             QStringLiteral("   被    叫    号   "));
}

void TestViewCells::reportNotes()
{
    ReceivedCallsModel model;
    // Nothing to write on while the list is empty, and no row appears.
    model.noteReportLine();
    QCOMPARE(model.rowCount(), 0);

    PricedCall call = sampleCall();
    model.addCall(call);
    call.called = QStringLiteral("2");
    model.addCall(call);
    QSignalSpy noted(&model, &ReceivedCallsModel::reportLineNoted);
    QSignalSpy changed(&model, &ReceivedCallsModel::dataChanged);
    model.noteReportLine();
    // The newest call keeps its number; the note goes to the message line.
    QCOMPARE(noted.size(), 1);
    QCOMPARE(changed.size(), 0);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.cell(0, ReceivedCallsModel::Called).trimmed(), QStringLiteral("2"));
    QCOMPARE(model.cell(1, ReceivedCallsModel::Called), QStringLiteral("13800138000      "));

    // Notes count towards the thirty rows like calls; the list still never
    // holds more than thirty.
    for (int i = 0; i < 40; ++i)
        model.noteReportLine();
    for (int i = 0; i < 40; ++i)
        model.addCall(call);
    QCOMPARE(model.rowCount(), 30);
}

QTEST_APPLESS_MAIN(TestViewCells)
#include "tst_view_cells.moc"
