// Every printed total is the sum of the amounts printed above it, to the cent,
// the same on both back ends and in every run: statistics, monthly report,
// payment notices and detail bills over calls stored as the engine stores
// them (single-precision amounts, awkward ones included).

#include "RecordingPrompt.h"
#include "StatisticsData.h"
#include "TestDatabase.h"

#include "db/CDatabase.h"
#include "db/CRecordSet.h"
#include "db/RowWriter.h"
#include "db/SqlDialectText.h"
#include "db/TableRegistry.h"
#include "reports/CallCursor.h"
#include "reports/DetailBill.h"
#include "reports/MonthlyReport.h"
#include "reports/PayNotice.h"
#include "reports/StatisticsRun.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <cmath>

using namespace qalor;
using namespace qalor::test;

namespace {

const QDate Jan1(2024, 1, 1);
const QDate Jan31(2024, 1, 31);
const PageGeometry A4{4760, 6776, 85};

struct Call
{
    QString caller;
    int type;
    float charge;
    float surcharge;
};

// Rows written the way the program writes them: amounts bound as singles.
void addDepartments(const QList<std::tuple<int, QString, float>>& departments)
{
    RowWriter writer(CDatabase::shared(), Tables::department());
    for (const auto& [number, name, ratio] : departments)
        writer.append({name, number, ratio});
}

void addUsers(const QList<std::tuple<QString, int, float>>& users)
{
    RowWriter writer(CDatabase::shared(), Tables::user());
    for (const auto& [phone, department, rent] : users)
        writer.append({phone, QStringLiteral("用户") + phone, QStringLiteral("A1"), QStringLiteral("2"),
                       QStringLiteral("1号楼"), QStringLiteral("20240101"), 0, 0, rent, department,
                       QString()});
}

void addCalls(const QList<Call>& calls)
{
    CDatabase& db = CDatabase::shared();
    CTransaction transaction(db);
    RowWriter writer(db, Tables::callCost());
    int n = 0;
    for (const Call& call : calls) {
        ++n;
        const QDate date = Jan1.addDays(n % 31);
        const QTime time = QTime(7, 0).addSecs(n * 3);
        writer.append({call.caller, QStringLiteral("020%1").arg(n, 8, 10, QLatin1Char('0')),
                       date.toString(QStringLiteral("yyMMdd")), time.toString(QStringLiteral("HHmmss")),
                       105.0f, 0.3f, 1.0f, call.charge, 0.0f, call.surcharge, QStringLiteral("广州"),
                       call.type});
    }
    transaction.commit();
}

// The amounts a printed line shows, in order ("12.50"; "0.125" is no amount).
QList<Money> amountsIn(const QString& line)
{
    static const QRegularExpression amount(QStringLiteral("(?<![\\d.])(\\d+)\\.(\\d\\d)(?![\\d.])"));
    QList<Money> amounts;
    for (const QRegularExpressionMatch& match : amount.globalMatch(line))
        amounts << Money::fromCents(match.captured(1).toLongLong() * 100 + match.captured(2).toLongLong());
    return amounts;
}

QStringList textLines(const ReportDocument& document)
{
    QStringList lines;
    for (const ReportPage& page : document.pages)
        for (const PageItem& item : page.items)
            if (!item.text.isEmpty())
                lines << item.text;
    return lines;
}

QList<Money> columnSums(const QList<QList<Money>>& lines)
{
    QList<Money> sums;
    for (const QList<Money>& line : lines) {
        sums.resize(std::max(sums.size(), line.size()));
        for (qsizetype i = 0; i < line.size(); ++i)
            sums[i] += line[i];
    }
    return sums;
}

Money sum(const QList<Money>& amounts)
{
    Money total;
    for (Money amount : amounts)
        total += amount;
    return total;
}

// The monthly report by extension: each line's total is the sum of its five
// amounts, each department subtotal the column sums of its lines, the grand
// total the column sums of the subtotals. Returns the subtotal lines.
QList<QList<Money>> checkMonthlyByExtension(const ReportDocument& document)
{
    QList<QList<Money>> extensionLines;
    QList<QList<Money>> subtotals;
    for (const QString& line : textLines(document)) {
        const QList<Money> amounts = amountsIn(line);
        if (line.contains(QStringLiteral("部门小计"))) {
            [&] { QCOMPARE(amounts, columnSums(extensionLines)); }();
            subtotals << amounts;
            extensionLines.clear();
        } else if (line.startsWith(QStringLiteral("全部总计"))) {
            [&] { QCOMPARE(amounts, columnSums(subtotals)); }();
        } else if (amounts.size() == 6) {
            [&] { QCOMPARE(sum(amounts.first(5)), amounts.last()); }();
            extensionLines << amounts;
        }
    }
    return subtotals;
}

QList<QList<Money>> checkMonthlyByDepartment(const ReportDocument& document)
{
    QList<QList<Money>> lines;
    bool grandSeen = false;
    for (const QString& line : textLines(document)) {
        const QList<Money> amounts = amountsIn(line);
        if (line.startsWith(QStringLiteral("全部总计"))) {
            [&] { QCOMPARE(amounts, columnSums(lines)); }();
            grandSeen = true;
        } else if (amounts.size() == 6) {
            [&] { QCOMPARE(sum(amounts.first(5)), amounts.last()); }();
            lines << amounts;
        }
    }
    [&] { QVERIFY(grandSeen); }();
    return lines;
}

// Every copy of every notice: 合计 is the four charges, the management fee
// (ratio x those charges, rounded once) and the rental, as printed.
int checkNotices(const ReportDocument& document)
{
    QList<Money> charges;
    Money rent;
    Money fee;
    int copies = 0;
    for (const QString& line : textLines(document)) {
        if (line.contains(QStringLiteral("市话费:")) || line.contains(QStringLiteral("长话费:"))) {
            charges << amountsIn(line);
        } else if (line.contains(QStringLiteral("月租费:"))) {
            const QStringList parts = line.split(QStringLiteral("管理费:"));
            rent = amountsIn(parts[0]).value(0);
            fee = Money();
            if (parts.size() == 2) {
                const QStringList factors = parts[1].split(QLatin1Char('x'));
                const float ratio = factors[0].trimmed().toFloat();
                const QList<Money> product = amountsIn(factors[1]);
                [&] {
                    QCOMPARE(product.size(), 2);
                    QCOMPARE(product[0], sum(charges));
                    QCOMPARE(product[0].times(ratio), product[1]);
                }();
                fee = product[1];
            }
        } else if (line.contains(QStringLiteral("合计:"))) {
            [&] { QCOMPARE(amountsIn(line), QList<Money>{sum(charges) + fee + rent}); }();
            charges.clear();
            ++copies;
        }
    }
    return copies;
}

Money detailBillTotal(const QString& caller, bool* linesAddUp)
{
    DetailQuery query;
    query.start = Jan1;
    query.end = Jan31;
    query.caller = caller;
    CallCursor calls(query);
    const ReportDocument bill = DetailBill::build(calls, A4, {DetailLayout::ByDate, Jan1, Jan31});
    Money lines;
    Money printed;
    for (const QString& line : textLines(bill)) {
        const QList<Money> amounts = amountsIn(line);
        if (line.contains(QStringLiteral("小计金额:")))
            printed = amounts.value(0);
        else if (amounts.size() >= 3)
            lines += sum(amounts.last(3)); // 通话费 服务费 附加费
    }
    *linesAddUp = lines == printed;
    return printed;
}

// Amounts like those the engine computes: units times a discounted rate in
// single precision, with surcharges on some calls.
QList<Call> generatedCalls(int count)
{
    QRandomGenerator random(20240131);
    const float rates[] = {0.07f, 0.1f, 0.22f, 0.3f, 0.6f, 0.75f, 1.2f, 4.6f};
    const float factors[] = {1.0f, 0.85f, 0.6f, 0.5f, 0.333f};
    QList<Call> calls;
    for (int i = 0; i < count; ++i) {
        const int units = 1 + int(random.bounded(90));
        const float rate = rates[random.bounded(8)] * factors[random.bounded(5)];
        const float surcharge = random.bounded(3) == 0 ? float(units) * 0.015f : 0.0f;
        calls.append({QString::number(8001 + random.bounded(12)), int(random.bounded(4)), float(units) * rate,
                      surcharge});
    }
    return calls;
}

} // namespace

class TestMoneyTotals : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_db.emplace(); }
    void cleanup() { m_db.reset(); }

    // The cents the data source sums are the cents the program shows, for
    // singles on both sides of every half cent: read back through the
    // driver and summed in SQL, they agree one by one.
    void storedCentsAgreeWithShownCents()
    {
        QList<Call> calls;
        QList<qint64> shown;
        for (int cents = 0; cents < 400; ++cents) {
            const float half = float((cents + 0.5) / 100.0);
            for (float amount : {std::nextafter(half, 0.0f), half, std::nextafter(half, 1.0f),
                                 float(cents / 100.0), float(cents * 25.01)}) {
                calls.append({QStringLiteral("%1").arg(calls.size(), 5, 10, QLatin1Char('0')), 0, amount, 0});
                shown.append(Money::fromStored(amount).cents());
            }
        }
        addCalls(calls);
        CDatabase& db = CDatabase::shared();
        QSqlQuery query = db.prepare(QStringLiteral("SELECT 主叫号, 通话费, ") +
                                     centsOf(db.dialect(), QStringLiteral("通话费")) +
                                     QStringLiteral(" FROM 话费表 ORDER BY 主叫号"));
        CDatabase::exec(query);
        int row = 0;
        while (query.next()) {
            const float read = CRecordSet::normalize(ColumnType::Single, query.value(1)).toFloat();
            QCOMPARE(read, calls[row].charge);
            QCOMPARE(Money::fromStored(read).cents(), shown[row]);
            QCOMPARE(query.value(2).toLongLong(), shown[row]);
            ++row;
        }
        QCOMPARE(row, calls.size());
    }

    // Awkward stored amounts, each reckoned by hand: the same figures on
    // every back end.
    void awkwardAmountsByHand()
    {
        addDepartments({{1, QStringLiteral("财务处"), 0.125f}, {2, QStringLiteral("客房部"), 0.0f}});
        addUsers({{QStringLiteral("8001"), 1, 15.5f},
                  {QStringLiteral("8002"), 1, 0.0f},
                  {QStringLiteral("8003"), 2, 12.345f}});
        addCalls({
            // 8001 长途: 4.505 as a single lies above the half cent (4.51),
            // 0.335 too (0.34): 4.51 + 0.34 + 3 x 0.34 = 5.87.
            {QStringLiteral("8001"), 2, 4.505f, 0.335f},
            {QStringLiteral("8001"), 2, 0.335f, 0},
            {QStringLiteral("8001"), 2, 0.335f, 0},
            {QStringLiteral("8001"), 2, 0.335f, 0},
            // 8001 市话: 1.00 + 0.12 + 0.13 + 0.13 = 1.38.
            {QStringLiteral("8001"), 0, 0.999f, 0},
            {QStringLiteral("8001"), 0, std::nextafter(0.125f, 0.0f), 0},
            {QStringLiteral("8001"), 0, std::nextafter(0.125f, 1.0f), 0},
            {QStringLiteral("8001"), 0, 0.125f, 0},
            // 8002 市话: 12.13 + 20.01 = 32.14; an amount below a cent is nothing.
            {QStringLiteral("8002"), 0, 12.125f, 0},
            {QStringLiteral("8002"), 0, 20.01f, 0},
            {QStringLiteral("8002"), 3, 0.007f, 0},
            // 8003 本地网: 2.675 and 1.005 as singles lie below the half: 2.67 + 1.00.
            {QStringLiteral("8003"), 1, 2.675f, 0},
            {QStringLiteral("8003"), 1, 1.005f, 0},
        });
        RecordingPrompt prompt;
        QVERIFY(StatisticsRun(CDatabase::shared()).run(Jan1, Jan31));

        // 月租费 12.345 as a single is 12.3450003: 12.35.
        QCOMPARE(tableRows("tj"), (QStringList{
                                      "8001|用户8001|15.50|0|1|财务处|1.38|0.00|5.87|0.00",
                                      "8002|用户8002|0.00|0|1|财务处|32.14|0.00|0.00|0.00",
                                      "8003|用户8003|12.35|0|2|客房部|0.00|3.67|0.00|0.00",
                                  }));
        QCOMPARE(tableRows("BMTJ"),
                 (QStringList{"1|财务处|15.50|33.52|0.00|5.87|0.00", "2|客房部|12.35|0.00|3.67|0.00|0.00"}));

        const ReportDocument report =
            MonthlyReport(CDatabase::shared(), {Jan1, Jan31, {1, 40}, MonthlyReport::ByExtension}).build(A4);
        const QList<QList<Money>> subtotals = checkMonthlyByExtension(report);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(subtotals.size(), 2);
        const QStringList lines = textLines(report);
        QVERIFY(lines.last().startsWith(QStringLiteral("全部总计")));
        QCOMPARE(amountsIn(lines.last()),
                 (QList<Money>{Money::fromCents(2785), Money::fromCents(3352), Money::fromCents(367),
                               Money::fromCents(587), Money(), Money::fromCents(7091)}));

        // Department 1: charges 39.39, management fee 0.125 x 39.39 = 4.92,
        // rental 15.50: 59.81.
        PayNotice::Options options;
        options.kind = PayNotice::Departments;
        options.start = Jan1;
        options.end = Jan31;
        options.departments = {1, 1};
        const ReportDocument notice = PayNotice(CDatabase::shared(), options).build(A4);
        QCOMPARE(checkNotices(notice), 3);
        const QStringList noticeLines = textLines(notice);
        QCOMPARE(noticeLines.filter(QStringLiteral("管理费:0.125x39.39  =4.92")).size(), 3);
        QCOMPARE(noticeLines.filter(QStringLiteral("合计:59.81")).size(), 3);

        bool linesAddUp = false;
        QCOMPARE(detailBillTotal(QStringLiteral("8001"), &linesAddUp), Money::fromCents(725));
        QVERIFY(linesAddUp);
    }

    // Many calls with engine-like amounts: every printed total adds up, the
    // detail bill of each caller equals its statistics, and a second run
    // changes nothing.
    void generatedMonthAddsUpAndRerunsIdentically()
    {
        addDepartments({{1, QStringLiteral("财务处"), 0.125f},
                        {2, QStringLiteral("后勤处"), 0.15f},
                        {3, QStringLiteral("车队"), 0.0f}});
        QList<std::tuple<QString, int, float>> users;
        for (int i = 0; i < 12; ++i)
            users.append({QString::number(8001 + i), 1 + i % 3, float(i) * 3.335f});
        addUsers(users);
        addCalls(generatedCalls(1500));

        RecordingPrompt prompt;
        QVERIFY(StatisticsRun(CDatabase::shared()).run(Jan1, Jan31));
        const QStringList tj = tableRows("tj");
        const QStringList bmtj = tableRows("BMTJ");
        const QStringList work = tableRows("临时统计表");
        QVERIFY(StatisticsRun(CDatabase::shared()).run(Jan1, Jan31));
        QCOMPARE(tableRows("tj"), tj);
        QCOMPARE(tableRows("BMTJ"), bmtj);
        QCOMPARE(tableRows("临时统计表"), work);

        CountResults results(CDatabase::shared());
        for (const ExtensionTotals& row : results.extensions()) {
            bool linesAddUp = false;
            QCOMPARE(detailBillTotal(row.phone, &linesAddUp), row.charges());
            QVERIFY2(linesAddUp, qPrintable(row.phone));
        }

        const QList<QList<Money>> subtotals = checkMonthlyByExtension(
            MonthlyReport(CDatabase::shared(), {Jan1, Jan31, {1, 40}, MonthlyReport::ByExtension}).build(A4));
        const QList<QList<Money>> departmentLines = checkMonthlyByDepartment(
            MonthlyReport(CDatabase::shared(), {Jan1, Jan31, {1, 40}, MonthlyReport::ByDepartment})
                .build(A4));
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(departmentLines, subtotals);

        PayNotice::Options options;
        options.start = Jan1;
        options.end = Jan31;
        options.departments = {1, 3};
        options.kind = PayNotice::Departments;
        QCOMPARE(checkNotices(PayNotice(CDatabase::shared(), options).build(A4)), 9);
        options.kind = PayNotice::Extensions;
        QCOMPARE(checkNotices(PayNotice(CDatabase::shared(), options).build(A4)), 36);
    }

private:
    std::optional<TestDatabase> m_db;
};

QTEST_MAIN(TestMoneyTotals)
#include "tst_money_totals.moc"
