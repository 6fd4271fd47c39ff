// bench_rating: how fast a call is looked up, priced and stored.
//
//   bench_rating [--connection <ODBC connection string>] [--records N]
//
// Without --connection the figures are taken on a fresh SQLite data source in
// a temporary folder. The data source gets 10,000 rate entries, time bands,
// weekday rows and two-tier rows; the rows written to 话费表 stay there.

#include "CanonicalRecord.h"
#include "PeakMemory.h"

#include "prompt/Prompt.h"
#include "db/CDatabase.h"
#include "db/RowWriter.h"
#include "db/SchemaBuilder.h"
#include "db/TableRegistry.h"
#include "rating/CCallRater.h"
#include "rating/CallCostWriter.h"
#include "rating/CallPrice.h"
#include "rating/CallRecordFields.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>

using namespace qalor;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int RateEntries = 10000;
const QString Day = QStringLiteral("240105");

class CountingPrompt : public IPrompt
{
public:
    void inform(const QString& text) override
    {
        if (++count <= 3)
            std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    bool askOkCancel(const QString& text, const QString&) override
    {
        inform(text);
        return false;
    }
    int count = 0;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

QString digits(QRandomGenerator& random, int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QLatin1Char(char('0' + random.bounded(10)));
    return text;
}

// 10,000 distinct prefixes of 1 to 8 digits, shaped like area codes and
// service numbers, with the tables that discount and two-tier price them.
QStringList fillTariffs(CDatabase& db)
{
    QRandomGenerator random(20240105);
    QStringList prefixes;
    QSet<QString> seen;
    while (prefixes.size() < RateEntries) {
        const int kind = random.bounded(10);
        const QString prefix = kind < 6   ? QStringLiteral("0") + digits(random, 2 + random.bounded(3))
                               : kind < 9 ? QStringLiteral("1") + digits(random, 2 + random.bounded(5))
                                          : digits(random, 1 + random.bounded(3));
        if (!seen.contains(prefix)) {
            seen.insert(prefix);
            prefixes << prefix;
        }
    }
    CTransaction transaction(db);
    RowWriter rates(db, Tables::rate());
    for (int i = 0; i < prefixes.size(); ++i)
        rates.append({prefixes[i], 0.1 + (i % 7) * 0.05, QStringLiteral("地区%1").arg(i % 300),
                      60 / (1 + i % 3), i % 10, (i % 5) * 0.01, i % 4});
    RowWriter bands(db, Tables::timeDiscount());
    for (int k = 0; k < 10; ++k) {
        bands.append({k, QStringLiteral("000000"), QStringLiteral("070000"), 0.5});
        bands.append({k, QStringLiteral("220000"), QStringLiteral("235959"), 0.5});
    }
    RowWriter weekdays(db, Tables::weekDiscount());
    for (int d = 1; d <= 7; ++d)
        weekdays.append({d, 1, 0.8});
    RowWriter twoTier(db, Tables::rate31());
    twoTier.append({QStringLiteral("0"), QStringLiteral("x"), 3, 0, 0.1, 0.02, 0.05, 0.2, 180, 60});
    transaction.commit();
    return prefixes;
}

QStringList dialledNumbers(const QStringList& prefixes, int count)
{
    QRandomGenerator random(7);
    QStringList numbers;
    for (int i = 0; i < count; ++i) {
        const QString& prefix = prefixes.at(random.bounded(int(prefixes.size())));
        numbers << (random.bounded(10) == 0 ? digits(random, 8)
                                            : prefix + digits(random, 11 - qMin(10, int(prefix.size()))));
    }
    return numbers;
}

QStringList records(const QStringList& numbers)
{
    QRandomGenerator random(11);
    QStringList result;
    for (const QString& number : numbers) {
        const int start = random.bounded(86400 - 4000);
        const int end = start + random.bounded(3600);
        result << test::canonicalRecord(Day, CallCostWriter::timeText(start), CallCostWriter::timeText(end),
                                        QString::number(1000 + random.bounded(9000)), number);
    }
    return result;
}

void lookupFigures(CDatabase& db, const QStringList& numbers)
{
    RateTable table;
    table.LoadRates();
    std::vector<double> perCall;
    RateMatch match;
    constexpr int Batch = 1000;
    qint64 sink = 0;
    for (qsizetype from = 0; from + Batch <= numbers.size(); from += Batch) {
        const auto begin = Clock::now();
        for (int i = 0; i < Batch; ++i) {
            table.LookupRate(numbers.at(from + i), match);
            sink += match.unit;
        }
        perCall.push_back(std::chrono::duration<double, std::micro>(Clock::now() - begin).count() / Batch);
    }
    const double memory = median(perCall);

    QSqlQuery query = db.prepare(QStringLiteral(
        "SELECT 区号,费率,地区,计费单位,折扣类型,附加费费率,统计类型 FROM 费率表 WHERE ? LIKE 区号 || '%' "
        "ORDER BY LENGTH(区号) DESC, 折扣类型 DESC LIMIT 1"));
    std::vector<double> sqlTimes;
    for (int i = 0; i < 300; ++i) {
        const auto begin = Clock::now();
        query.bindValue(0, numbers.at(i));
        CDatabase::exec(query);
        if (query.next())
            sink += query.value(3).toInt();
        query.finish();
        sqlTimes.push_back(std::chrono::duration<double, std::micro>(Clock::now() - begin).count());
    }
    const double sql = median(sqlTimes);
    std::printf("rate lookup, %d entries, in memory   : median %8.3f us/call  (goal <= 2 us)%s\n",
                RateEntries, memory, memory <= 2 ? "" : "  MISSED");
    std::printf("rate lookup, per-call SQL query      : median %8.1f us/call\n", sql);
    std::printf("  SQL / in memory                    : %8.0f x   (checksum %lld)\n", sql / memory, sink);
}

double bareInsertRate(CDatabase& db, const QStringList& recordTexts)
{
    QStringList marks;
    for (int i = 0; i < Tables::callCost().columnCount(); ++i)
        marks << QStringLiteral("?");
    QSqlQuery insert =
        db.prepare(QStringLiteral("INSERT INTO 话费表 VALUES (") + marks.join(QLatin1Char(',')) + ")");
    QElapsedTimer timer;
    timer.start();
    CTransaction transaction(db);
    for (const QString& text : recordTexts) {
        const CallRecordFields call = CallRecordFields::read(text);
        insert.bindValue(0, call.caller);
        insert.bindValue(1, call.called);
        insert.bindValue(2, CallCostWriter::dateText(call.start.date));
        insert.bindValue(3, CallCostWriter::timeText(call.start.second));
        insert.bindValue(4, double(call.durationDigits()));
        insert.bindValue(5, 0.1);
        insert.bindValue(6, 3.0);
        insert.bindValue(7, 0.3);
        insert.bindValue(8, 0.0);
        insert.bindValue(9, 0.0);
        insert.bindValue(10, QStringLiteral("地区1"));
        insert.bindValue(11, 1);
        CDatabase::exec(insert);
    }
    transaction.commit();
    return recordTexts.size() / (timer.nsecsElapsed() / 1e9);
}

double batchRate(CCallRater& engine, CDatabase& db, const QStringList& recordTexts, int& stored)
{
    QElapsedTimer timer;
    timer.start();
    CTransaction transaction(db);
    // As a REPORT batch stores its calls: several hundred rows a statement.
    engine.beginBatch();
    for (const QString& text : recordTexts)
        stored += engine.PriceAndStore(text);
    if (!engine.finishBatch())
        stored = 0;
    transaction.commit();
    return recordTexts.size() / (timer.nsecsElapsed() / 1e9);
}

// Where a batch call's time goes: each step alone over the same records.
void breakdown(CDatabase& db, const QStringList& recordTexts)
{
    auto perCall = [&](auto&& step) {
        QElapsedTimer timer;
        timer.start();
        for (const QString& text : recordTexts)
            step(text);
        return timer.nsecsElapsed() / 1e3 / recordTexts.size();
    };
    RateTable rates;
    rates.LoadRates();
    DiscountCalculator discounts;
    RateMatch match;
    float sink = 0;
    const double read = perCall([&](const QString& t) { sink += CallRecordFields::read(t).seconds; });
    const double lookup = perCall([&](const QString& t) {
        rates.LookupRate(CallRecordFields::read(t).called, match);
        sink += match.rate;
    });
    const double discount = perCall([&](const QString& t) {
        const CallRecordFields call = CallRecordFields::read(t);
        sink += discounts.DiscountFactor(call.start, call.end, 1);
    });
    CallCostWriter writer;
    writer.open();
    const CallRecordFields call = CallRecordFields::read(recordTexts.first());
    CallPrice price;
    CTransaction transaction(db);
    const double append = perCall([&](const QString&) { writer.append(call, price, match); });
    writer.beginBatch();
    const double batched = perCall([&](const QString&) { writer.append(call, price, match); });
    writer.finishBatch();
    transaction.commit();
    std::printf("  per call: read %.2f us, +lookup %.2f us, +discount %.2f us; record-set append %.2f us, "
                "batched append %.2f us (%g)\n",
                read, lookup - read, discount - read, append, batched, double(sink));
}

QString cdrLine(const QString& record)
{
    // The default layout: the canonical fields, then class of service and
    // trunk group between the caller and the dialled number.
    return record.left(45) + QStringLiteral("001 01 ") + record.mid(45, 19) + QStringLiteral("\r\n");
}

double livePath(CCallRater& engine, const QStringList& recordTexts, int& stored)
{
    std::vector<double> times;
    QString canonical;
    for (const QString& text : recordTexts) {
        const QString line = cdrLine(text);
        const auto begin = Clock::now();
        if (engine.preproccdr(line, canonical) == 1)
            stored += engine.PriceAndStore(canonical);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
    }
    return median(times);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    options.addHelpOption();
    options.addOption(
        {QStringLiteral("connection"), QStringLiteral("ODBC connection string"), QStringLiteral("text")});
    options.addOption({QStringLiteral("records"), QStringLiteral("records in the batch (100000)"),
                       QStringLiteral("n"), QStringLiteral("100000")});
    options.process(app);

    QTemporaryDir folder;
    qputenv("QALOR_DATA_DIR", folder.path().toUtf8());
    const QString connection =
        options.isSet(QStringLiteral("connection"))
            ? options.value(QStringLiteral("connection"))
            : CDatabase::embeddedConnectionString(folder.filePath("tds.sqlite"));
    CDatabase::setDefaultConnectionString(connection);
    CountingPrompt prompt;
    Prompt::install(&prompt);

    try {
        CDatabase& db = CDatabase::shared();
        SchemaBuilder(db).createMissing(QStringLiteral("secret"), false);
        const QStringList prefixes = fillTariffs(db);
        const int count = qMax(1000, options.value(QStringLiteral("records")).toInt());
        const QStringList numbers = dialledNumbers(prefixes, count);
        const QStringList recordTexts = records(numbers);
        std::printf("data source: %s\n", qPrintable(connection));

        lookupFigures(db, numbers);

        // Each run starts from an empty 话费表 (its indexes make a growing
        // table slower); the better of two rounds counts.
        CCallRater engine;
        engine.PriceAndStore(recordTexts.first()); // loads the tables
        double bare = 0, priced = 0;
        int stored = 0;
        for (int round = 0; round < 2; ++round) {
            db.execute(QStringLiteral("DELETE FROM 话费表"));
            bare = qMax(bare, bareInsertRate(db, recordTexts));
            db.execute(QStringLiteral("DELETE FROM 话费表"));
            stored = 0;
            priced = qMax(priced, batchRate(engine, db, recordTexts, stored));
        }
        std::printf(
            "PriceAndStore, %d records, one batch        : %8.0f calls/s  (goal >= 20000 on SQLite)%s\n",
            count, priced, priced >= 20000 ? "" : "  MISSED");
        std::printf("bare prepared single-row INSERT, same rows  : %8.0f rows/s\n", bare);
        const double goal = db.dialect() == SqlDialect::PostgreSQL ? 0.8 : 0.85;
        std::printf("  PriceAndStore / bare INSERT               : %8.2f     (goal >= %.2f)%s\n",
                    priced / bare, goal, priced / bare >= goal ? "" : "  MISSED");
        std::printf("  stored %d of %d\n", stored, count);
        breakdown(db, recordTexts);

        int live = 0;
        const double ms = livePath(engine, recordTexts.mid(0, 500), live);
        std::printf(
            "live path, parse + price + store, autocommit: median %6.3f ms/line (goal <= 5 ms)%s, stored %d "
            "of 500\n",
            ms, ms <= 5 ? "" : "  MISSED", live);
    } catch (const DbError& error) {
        std::fprintf(stderr, "data source error: %s\n", qPrintable(error.message()));
        CDatabase::resetShared();
        return 1;
    }
    std::printf("peak memory (RSS): %.1f MiB\n", bench::peakMemoryMiB());
    if (prompt.count > 0)
        std::printf("messages shown: %d\n", prompt.count);
    Prompt::install(nullptr);
    CDatabase::resetShared(); // before the application object goes
    return 0;
}
