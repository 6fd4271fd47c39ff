// Measures the detail-bill queries over a large call table and the printing
// of a long bill, on SQLite and, when a server is named, on PostgreSQL.
//
//   bench_queries                        SQLite only (a scratch file)
//   bench_queries --pg "DRIVER={PostgreSQL Unicode};Server=...;Port=...;Uid=...;Pwd=..."
//                                        also PostgreSQL (a scratch database, dropped after)
//   bench_queries --pg "..." --pg-only   PostgreSQL only
//   bench_queries --rows 1000000 --extensions 2000 --pdf bill.pdf
//
// 话费表 holds the calls of twelve months of 2024 (28 days each) from the
// extensions 8000 upwards. Figures: the time until the first screen page of
// a query for one extension over one month and of a query over one whole
// day, each the median and the slowest of several runs, and the time to
// build and write a detail bill of 10,000 calls as a PDF file.

#include "BulkFill.h"
#include "PeakMemory.h"
#include "db/CDatabase.h"
#include "db/SchemaBuilder.h"
#include "print/ReportPainter.h"
#include "reports/CallCursor.h"
#include "reports/DetailBill.h"
#include "reports/DetailLine.h"
#include "reports/DetailPager.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace qalor;

namespace {

constexpr int Months = 12;
constexpr int DaysPerMonth = 28;

int count(CDatabase& db, const QString& sql)
{
    QSqlQuery query = db.prepare(sql);
    CDatabase::exec(query);
    return query.next() ? query.value(0).toInt() : -1;
}

QString timeText(int seconds)
{
    return QStringLiteral("%1%2%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// January written row by row; the other months copied from it by statement.
void fill(CDatabase& db, int rows, int extensions)
{
    const int perMonth = rows / Months;
    CTransaction transaction(db);
    QSqlQuery insert = db.prepare(QStringLiteral("INSERT INTO 话费表 VALUES (?,?,?,?,?,?,?,?,?,?,?,?)"));
    for (int call = 0; call < perMonth; ++call) {
        const int day = call * DaysPerMonth / perMonth + 1; // in time order, as the exchange reports them
        insert.bindValue(0, QString::number(8000 + call * 7919 % extensions));
        insert.bindValue(1, QStringLiteral("0%1").arg(20000000 + call * 104729 % 80000000));
        insert.bindValue(2, QStringLiteral("2401%1").arg(day, 2, 10, QLatin1Char('0')));
        insert.bindValue(3, timeText(call * 86400 / (perMonth / DaysPerMonth + 1) % 86400));
        insert.bindValue(4, double(call % 600 + 1));
        insert.bindValue(5, 0.22);
        insert.bindValue(6, double(call % 10 + 1));
        insert.bindValue(7, 0.22 * (call % 10 + 1));
        insert.bindValue(8, 0.1);
        insert.bindValue(9, call % 5 ? 0.0 : 0.5);
        insert.bindValue(10, QStringLiteral("广州"));
        insert.bindValue(11, call % 4);
        CDatabase::exec(insert);
    }
    for (int month = 2; month <= Months; ++month) {
        QSqlQuery copy = db.prepare(QStringLiteral(
            "INSERT INTO 话费表 SELECT 主叫号,被叫号,? || substr(日期,5,2),时间,时长,费率,计费单位数,"
            "通话费,服务费,附加费,通达地,统计类型 FROM 话费表 WHERE 日期>='240101' AND 日期<='240131'"));
        copy.addBindValue(QStringLiteral("24%1").arg(month, 2, 10, QLatin1Char('0')));
        CDatabase::exec(copy);
    }
    transaction.commit();
}

struct Figures
{
    double median = 0;
    double slowest = 0;
    int calls = 0; // of the last run
};

// Runs each query as 查询 does and times it until its first screen page is
// ready.
Figures firstPage(CDatabase& db, const QList<DetailQuery>& queries)
{
    QList<double> times;
    Figures figures;
    for (const DetailQuery& query : queries) {
        QElapsedTimer timer;
        timer.start();
        DetailPager pager(DetailLine::dateListHeader());
        pager.start(std::make_unique<CallCursor>(query, &db));
        times << timer.nsecsElapsed() / 1e6;
        figures.calls = int(pager.lines().size()) - (pager.accumulating() ? 1 : 2); // heading, subtotal
    }
    std::sort(times.begin(), times.end());
    figures.median = times[times.size() / 2];
    figures.slowest = times.last();
    return figures;
}

int runOn(const QString& connection, int rows, int extensions, const QString& pdfFile)
{
    CDatabase db(connection);
    db.open();
    SchemaBuilder(db).createMissing(QStringLiteral("secret"), false);
    const char* name = db.dialect() == SqlDialect::PostgreSQL ? "PostgreSQL" : "SQLite";
    std::printf("== %s\n", name);

    QElapsedTimer timer;
    timer.start();
    {
        bench::BulkFill bulk(db); // VACUUM ANALYZE on PostgreSQL when the indexes are back
        fill(db, rows, extensions);
    }
    const int total = count(db, QStringLiteral("SELECT COUNT(*) FROM 话费表"));
    std::printf("filled 话费表 with %d calls in %.1f s, peak RSS %.1f MiB\n", total, timer.elapsed() / 1000.0,
                bench::peakMemoryMiB());

    QList<DetailQuery> monthOfOne;
    for (int i = 0; i < 20; ++i) {
        DetailQuery query;
        query.start = QDate(2024, 1 + i % Months, 1);
        query.end = QDate(2024, 1 + i % Months, 31);
        query.caller = QString::number(8000 + i * 97 % extensions);
        monthOfOne << query;
    }
    const Figures month = firstPage(db, monthOfOne);
    std::printf("one extension, one month: first page in %.1f ms (median of %lld), slowest %.1f ms "
                "(goal: 100 ms); %d calls on the page; peak RSS %.1f MiB\n",
                month.median, qlonglong(monthOfOne.size()), month.slowest, month.calls,
                bench::peakMemoryMiB());

    QList<DetailQuery> wholeDay;
    for (int i = 0; i < 10; ++i) {
        DetailQuery query;
        query.start = query.end = QDate(2024, 1 + i % Months, 1 + i * 3 % DaysPerMonth);
        wholeDay << query;
    }
    const Figures day = firstPage(db, wholeDay);
    const int dayCalls = count(db, QStringLiteral("SELECT COUNT(*) FROM 话费表 WHERE 日期='240301'"));
    std::printf("one whole day (%d calls): first page in %.1f ms (median of %lld), slowest %.1f ms "
                "(goal: 100 ms); peak RSS %.1f MiB\n",
                dayCalls, day.median, qlonglong(wholeDay.size()), day.slowest, bench::peakMemoryMiB());

    // Walking a whole day to its end, as the subtotal needs.
    {
        DetailQuery query;
        query.start = query.end = QDate(2024, 3, 1);
        timer.restart();
        CallCursor cursor(query, &db);
        cursor.rewind();
        CallRow row;
        int walked = 0;
        while (cursor.next(row))
            ++walked;
        std::printf("one whole day walked to its end: %d calls in %.1f ms; peak RSS %.1f MiB\n", walked,
                    timer.nsecsElapsed() / 1e6, bench::peakMemoryMiB());
    }

    if (!pdfFile.isEmpty()) {
        // Four days from 8000 on: 10,000 calls read by the cursor, laid out
        // and painted, as 打印 to a PDF file does.
        DetailQuery query;
        query.start = QDate(2024, 1, 1);
        query.end = QDate(2024, 1, 31);
        QList<CallRow> calls;
        {
            CallCursor cursor(query, &db);
            cursor.rewind();
            CallRow row;
            while (calls.size() < 10000 && cursor.next(row))
                calls << row;
        }
        const QString& file = pdfFile;
        qint64 buildNs = 0;
        timer.restart();
        QString error;
        const bool ok = ReportPainter::writePdf(
            [&](const PageGeometry& page) {
                QElapsedTimer build;
                build.start();
                CallListSource source(calls);
                ReportDocument document = DetailBill::build(source, page, {DetailLayout::ByDate, query.start, query.end});
                buildNs = build.nsecsElapsed();
                return document;
            },
            file, &error);
        const double seconds = timer.elapsed() / 1000.0;
        if (!ok) {
            std::fprintf(stderr, "PDF: %s\n", qPrintable(error));
            return 1;
        }
        std::printf("detail bill of %lld calls to PDF: %.2f s (goal: 5 s; page model %.0f ms), %lld KiB\n",
                    qlonglong(calls.size()), seconds, buildNs / 1e6, QFileInfo(file).size() / 1024);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Detail-bill queries over a large call table"));
    parser.addHelpOption();
    const QCommandLineOption pgOption(QStringLiteral("pg"),
                                      QStringLiteral("PostgreSQL server as an ODBC connection string without Database="),
                                      QStringLiteral("odbc"));
    const QCommandLineOption rowsOption(QStringLiteral("rows"), QStringLiteral("calls in 话费表"), QStringLiteral("n"),
                                        QStringLiteral("1000000"));
    const QCommandLineOption extensionsOption(QStringLiteral("extensions"), QStringLiteral("calling extensions"),
                                              QStringLiteral("n"), QStringLiteral("2000"));
    const QCommandLineOption pdfOption(QStringLiteral("pdf"), QStringLiteral("keep the bill's PDF file here"),
                                       QStringLiteral("file"));
    const QCommandLineOption pgOnlyOption(QStringLiteral("pg-only"), QStringLiteral("skip the SQLite run"));
    parser.addOptions({pgOption, pgOnlyOption, rowsOption, extensionsOption, pdfOption});
    parser.process(app);
    const int rows = parser.value(rowsOption).toInt();
    const int extensions = std::max(1, parser.value(extensionsOption).toInt());

    QTemporaryDir dir;
    try {
        if (!parser.isSet(pgOnlyOption) &&
            runOn(CDatabase::embeddedConnectionString(dir.filePath(QStringLiteral("bench.sqlite"))), rows,
                  extensions,
                  parser.isSet(pdfOption) ? parser.value(pdfOption)
                                          : dir.filePath(QStringLiteral("bill.pdf"))))
            return 1;
        if (parser.isSet(pgOption)) {
            const QString server = parser.value(pgOption);
            const QString database = QStringLiteral("qalor_bench_%1").arg(QCoreApplication::applicationPid());
            CDatabase admin(server + QStringLiteral(";Database=postgres"));
            admin.execute(QStringLiteral("CREATE DATABASE ") + database);
            int status = 1;
            try {
                status = runOn(server + QStringLiteral(";Database=") + database, rows, extensions, QString());
            } catch (const DbError& error) {
                std::fprintf(stderr, "%s\n", qPrintable(error.message()));
            }
            CDatabase::resetShared();
            admin.execute(QStringLiteral("DROP DATABASE IF EXISTS ") + database + QStringLiteral(" WITH (FORCE)"));
            return status;
        }
        return 0;
    } catch (const DbError& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.message()));
        return 1;
    }
}
