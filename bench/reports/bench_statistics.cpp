// Measures the month-end work on a large call table: the statistics run over
// one month, and the monthly report (extensions by department) of its result
// written as a PDF file.
//
//   bench_statistics                      a scratch SQLite file
//   bench_statistics --connection "DRIVER={PostgreSQL Unicode};...;Database=scratch" [--clear]
//   bench_statistics --rows 1000000 --month-calls 80000 --extensions 2000 --departments 40
//
// A named data source must hold no calls, extensions or departments (or pass
// --clear to empty those tables): the bench fills them and overwrites the
// result tables.

#include "BenchDataSource.h"
#include "BulkFill.h"
#include "PeakMemory.h"
#include "PrintingPrompt.h"
#include "SampleCall.h"
#include "db/CDatabase.h"
#include "db/SchemaBuilder.h"
#include "print/ReportPainter.h"
#include "reports/MonthlyReport.h"
#include "reports/StatisticsRun.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>

using namespace qalor;

namespace {

// Processor time of this process; the SQLite work runs inside it, so on a
// busy machine this shows what the run itself costs.
double cpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

const QDate MonthStart(2024, 3, 1);
const QDate MonthEnd(2024, 3, 31);

struct Sizes
{
    int rows = 1000000;
    int monthCalls = 80000;
    int extensions = 2000;
    int departments = 40;
};

int count(CDatabase& db, const QString& sql)
{
    QSqlQuery query = db.prepare(sql);
    CDatabase::exec(query);
    return query.next() ? query.value(0).toInt() : -1;
}

QString extension(int i)
{
    return QString::number(6000 + i);
}

void fillUsers(CDatabase& db, const Sizes& sizes)
{
    QSqlQuery department = db.prepare(QStringLiteral("INSERT INTO 部门表 VALUES (?, ?, ?)"));
    for (int d = 1; d <= sizes.departments; ++d) {
        department.bindValue(0, QStringLiteral("第%1部门").arg(d));
        department.bindValue(1, d);
        department.bindValue(2, d % 5 == 0 ? 0.05 : 0.0);
        CDatabase::exec(department);
    }
    QSqlQuery user = db.prepare(QStringLiteral("INSERT INTO 用户信息表 VALUES (?,?,'A1','2','1号楼','20240101',0,0,?,?,'')"));
    for (int i = 0; i < sizes.extensions; ++i) {
        user.bindValue(0, extension(i));
        user.bindValue(1, QStringLiteral("用户%1").arg(i));
        user.bindValue(2, i % 3 == 0 ? 15.0 : 0.0);
        user.bindValue(3, 1 + i % sizes.departments);
        CDatabase::exec(user);
    }
}

// The month of the run written row by row (every 50th call stored twice, one
// call in a hundred from an extension that is not registered), the months
// before it copied from it by statement until the table holds its rows.
void fillCalls(CDatabase& db, const Sizes& sizes)
{
    QSqlQuery insert = db.prepare(QStringLiteral("INSERT INTO 话费表 VALUES (?,?,?,?,?,?,?,?,?,?,?,?)"));
    for (int i = 0; i < sizes.monthCalls; ++i) {
        const int call = i % 50 == 49 ? i - 1 : i;
        bench::bindSampleCall(insert, call);
        insert.bindValue(0, call % 100 == 7 ? QString::number(5000 + call % 97) : extension(call % sizes.extensions));
        insert.bindValue(2, MonthStart.addDays(call % MonthStart.daysInMonth()).toString(QStringLiteral("yyMMdd")));
        insert.bindValue(8, 0.1);
        insert.bindValue(9, call % 3 == 0 ? 0.5 : 0.0);
        insert.bindValue(11, call / 7 % 4);
        CDatabase::exec(insert);
    }
    int left = sizes.rows - sizes.monthCalls;
    for (int back = 1; left > 0; ++back) {
        const int rows = std::min(left, sizes.monthCalls);
        QSqlQuery copy = db.prepare(
            QStringLiteral("INSERT INTO 话费表 SELECT 主叫号,被叫号,? || substr(日期,5,2),时间,时长,费率,计费单位数,"
                           "通话费,服务费,附加费,通达地,统计类型 FROM 话费表 WHERE 日期>=? AND 日期<=? LIMIT %1")
                .arg(rows));
        copy.bindValue(0, MonthStart.addMonths(-back).toString(QStringLiteral("yyMM")));
        copy.bindValue(1, MonthStart.toString(QStringLiteral("yyMMdd")));
        copy.bindValue(2, MonthEnd.toString(QStringLiteral("yyMMdd")));
        CDatabase::exec(copy);
        left -= rows;
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Statistics run and monthly report over a large call table"));
    parser.addHelpOption();
    const QCommandLineOption connectionOption = BenchDataSource::option();
    const QCommandLineOption clearOption(QStringLiteral("clear"),
                                         QStringLiteral("empty 话费表, 用户信息表 and 部门表 of the data source"));
    const QCommandLineOption rowsOption(QStringLiteral("rows"), QStringLiteral("rows in 话费表"), QStringLiteral("n"),
                                        QStringLiteral("1000000"));
    const QCommandLineOption monthOption(QStringLiteral("month-calls"), QStringLiteral("calls in the month"),
                                         QStringLiteral("n"), QStringLiteral("80000"));
    const QCommandLineOption extensionsOption(QStringLiteral("extensions"), QStringLiteral("extensions"),
                                              QStringLiteral("n"), QStringLiteral("2000"));
    const QCommandLineOption departmentsOption(QStringLiteral("departments"), QStringLiteral("departments"),
                                               QStringLiteral("n"), QStringLiteral("40"));
    const QCommandLineOption reuseOption(
        QStringLiteral("reuse"),
        QStringLiteral("run on the calls an earlier run of the same sizes left in the data source"));
    parser.addOptions({connectionOption, clearOption, reuseOption, rowsOption, monthOption, extensionsOption,
                       departmentsOption});
    parser.process(app);

    Sizes sizes;
    sizes.rows = parser.value(rowsOption).toInt();
    sizes.monthCalls = parser.value(monthOption).toInt();
    sizes.extensions = parser.value(extensionsOption).toInt();
    sizes.departments = std::max(1, parser.value(departmentsOption).toInt());

    QTemporaryDir dir; // the report written as a PDF file
    const BenchDataSource source(parser);
    const bool scratch = source.scratch();
    const QString connection = source.connection();
    bench::PrintingPrompt prompt;
    Prompt::install(&prompt);
    try {
        CDatabase db(connection);
        db.open();
        SchemaBuilder(db).createMissing(QStringLiteral("secret"), false);
        const bool reuse = parser.isSet(reuseOption) &&
                           count(db, QStringLiteral("SELECT COUNT(*) FROM 话费表")) == sizes.rows &&
                           count(db, QStringLiteral("SELECT COUNT(*) FROM 用户信息表")) == sizes.extensions;
        const QStringList filled{QStringLiteral("话费表"), QStringLiteral("用户信息表"), QStringLiteral("部门表")};
        for (const QString& table : reuse ? QStringList() : filled) {
            if (count(db, QStringLiteral("SELECT COUNT(*) FROM ") + table) == 0)
                continue;
            if (!scratch && !parser.isSet(clearOption)) {
                std::fprintf(stderr, "%s of this data source holds rows; pass --clear to empty it\n",
                             qPrintable(table));
                return 2;
            }
            db.execute(QStringLiteral("DELETE FROM ") + table);
        }
        std::printf("back end: %s\n", db.dialect() == SqlDialect::PostgreSQL ? "PostgreSQL" : "SQLite");
        std::printf("(wall-clock figures depend on the machine's load; the processor time does less)\n");

        QElapsedTimer timer;
        timer.start();
        if (!reuse) {
            bench::BulkFill bulk(db);
            CTransaction transaction(db);
            fillUsers(db, sizes);
            fillCalls(db, sizes);
            transaction.commit();
        }
        std::printf(
            "filled %d calls (%d in 2024-03), %d extensions in %d departments in %.1f s, peak RSS %.1f MiB\n",
            count(db, QStringLiteral("SELECT COUNT(*) FROM 话费表")),
            count(db, QStringLiteral("SELECT COUNT(*) FROM 话费表 WHERE 日期>='240301' AND 日期<='240331'")),
            sizes.extensions, sizes.departments, timer.elapsed() / 1000.0, bench::peakMemoryMiB());

        timer.restart();
        double cpu = cpuSeconds();
        if (!StatisticsRun(db).run(MonthStart, MonthEnd))
            return 1;
        const double runSeconds = timer.elapsed() / 1000.0;
        std::printf("statistics run, one month: %.3f s, processor time of this process %.3f s "
                    "(goal: 3 s or less), peak RSS %.1f MiB\n",
                    runSeconds, cpuSeconds() - cpu, bench::peakMemoryMiB());
        std::printf("  tj rows %d, BMTJ rows %d, HF rows %d, 临时统计表 rows %d\n",
                    count(db, QStringLiteral("SELECT COUNT(*) FROM tj")),
                    count(db, QStringLiteral("SELECT COUNT(*) FROM BMTJ")),
                    count(db, QStringLiteral("SELECT COUNT(*) FROM HF")),
                    count(db, QStringLiteral("SELECT COUNT(*) FROM 临时统计表")));

        const MonthlyReport report(db, {MonthStart, MonthEnd, {1, sizes.departments}, MonthlyReport::ByExtension});
        const QString pdf = dir.filePath(QStringLiteral("monthly.pdf"));
        int pages = 0;
        QElapsedTimer buildTimer;
        double buildSeconds = 0;
        timer.restart();
        cpu = cpuSeconds();
        QString error;
        bool written = false;
        const bool ok = ReportPainter::writePdf(
            [&](const PageGeometry& page) {
                buildTimer.start();
                ReportDocument document = report.build(page);
                buildSeconds = buildTimer.elapsed() / 1000.0;
                pages = int(document.pages.size());
                return document;
            },
            pdf, &error, &written);
        const double pdfSeconds = timer.elapsed() / 1000.0;
        if (!ok || !written) {
            std::fprintf(stderr, "monthly report not written: %s\n", qPrintable(error));
            return 1;
        }
        std::printf("monthly report format 0 to PDF: %.3f s, processor time %.3f s, for %d pages, %lld bytes "
                    "(goal: 3 s or less)\n",
                    pdfSeconds, cpuSeconds() - cpu, pages, QFileInfo(pdf).size());
        std::printf("  of which reading tj and laying out the pages: %.3f s; peak RSS %.1f MiB\n",
                    buildSeconds, bench::peakMemoryMiB());
        Prompt::install(nullptr);
        return 0;
    } catch (const DbError& error) {
        Prompt::install(nullptr);
        std::fprintf(stderr, "%s\n", qPrintable(error.message()));
        return 1;
    }
}
