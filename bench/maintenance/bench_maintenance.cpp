// Measures duplicate removal and backup over one month of a large call table,
// with the peak memory (RSS) after each step.
//
//   bench_maintenance                      a scratch SQLite file
//   bench_maintenance --connection "DRIVER={PostgreSQL Unicode};...;Database=scratch" [--clear]
//   bench_maintenance --rows 200000
//
// A named data source must hold an empty 话费表 (or pass --clear to empty it):
// the bench fills 话费表 and overwrites HF.

#include "BenchDataSource.h"
#include "BulkFill.h"
#include "PeakMemory.h"
#include "PrintingPrompt.h"
#include "SampleCall.h"
#include "db/CDatabase.h"
#include "db/SchemaBuilder.h"
#include "maintenance/CallTableCommands.h"
#include "prompt/Prompt.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <cstdio>

using namespace qalor;

namespace {

constexpr int Months = 12;

int count(CDatabase& db, const QString& sql)
{
    QSqlQuery query = db.prepare(sql);
    CDatabase::exec(query);
    return query.next() ? query.value(0).toInt() : -1;
}

// One month (March 2024) written row by row, every 25th call stored twice;
// the eleven months before it copied from it by statement.
void fill(CDatabase& db, int rows)
{
    const int perMonth = rows / Months;
    CTransaction transaction(db);
    QSqlQuery insert = db.prepare(QStringLiteral("INSERT INTO 话费表 VALUES (?,?,?,?,?,?,?,?,?,?,?,?)"));
    for (int i = 0; i < perMonth; ++i) {
        const int call = i % 25 == 24 ? i - 1 : i; // the twin of the call before
        bench::bindSampleCall(insert, call);
        insert.bindValue(0, QString::number(8000 + call % 500));
        insert.bindValue(2, QStringLiteral("2403%1").arg(call % 28 + 1, 2, 10, QLatin1Char('0')));
        insert.bindValue(8, 0.0);
        insert.bindValue(9, 0.0);
        insert.bindValue(11, call % 4);
        CDatabase::exec(insert);
    }
    for (int back = 1; back < Months; ++back) {
        const QDate month = QDate(2024, 3, 1).addMonths(-back);
        QSqlQuery copy = db.prepare(QStringLiteral(
            "INSERT INTO 话费表 SELECT 主叫号,被叫号,? || substr(日期,5,2),时间,时长,费率,计费单位数,"
            "通话费,服务费,附加费,通达地,统计类型 FROM 话费表 WHERE 日期>='240301' AND 日期<='240331'"));
        copy.addBindValue(month.toString(QStringLiteral("yyMM")));
        CDatabase::exec(copy);
    }
    transaction.commit();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Duplicate removal over one month of a large call table"));
    parser.addHelpOption();
    const QCommandLineOption connectionOption = BenchDataSource::option();
    const QCommandLineOption rowsOption(QStringLiteral("rows"), QStringLiteral("rows in 话费表"),
                                        QStringLiteral("n"), QStringLiteral("1000000"));
    const QCommandLineOption clearOption(QStringLiteral("clear"),
                                         QStringLiteral("empty 话费表 of the data source"));
    parser.addOptions({connectionOption, rowsOption, clearOption});
    parser.process(app);

    const BenchDataSource source(parser);
    const bool scratch = source.scratch();
    const QString connection = source.connection();
    const int rows = parser.value(rowsOption).toInt();

    try {
        CDatabase db(connection);
        db.open();
        SchemaBuilder(db).createMissing(QStringLiteral("secret"), false);
        if (count(db, QStringLiteral("SELECT COUNT(*) FROM 话费表")) > 0) {
            if (!scratch && !parser.isSet(clearOption)) {
                std::fprintf(stderr, "话费表 of this data source holds rows; pass --clear to empty it\n");
                return 2;
            }
            db.execute(QStringLiteral("DELETE FROM 话费表"));
        }
        std::printf("back end: %s\n", db.dialect() == SqlDialect::PostgreSQL ? "PostgreSQL" : "SQLite");

        QElapsedTimer timer;
        timer.start();
        {
            bench::BulkFill bulk(db);
            fill(db, rows);
        }
        const double fillSeconds = timer.elapsed() / 1000.0;
        const int total = count(db, QStringLiteral("SELECT COUNT(*) FROM 话费表"));
        const QString inMarch =
            QStringLiteral("SELECT COUNT(*) FROM 话费表 WHERE 日期>='240301' AND 日期<='240331'");
        const int before = count(db, inMarch);
        std::printf("filled %d rows in %.2f s (%.0f rows/s), peak RSS %.1f MiB\n", total, fillSeconds,
                    total / fillSeconds, bench::peakMemoryMiB());

        QElapsedTimer stepTimer;
        timer.restart();
        stepTimer.start();
        // The same path as the dialog: its own connection, the report at the end.
        bench::PrintingPrompt prompt;
        Prompt::install(&prompt);
        CallTableCommands commands(connection);
        const bool done =
            commands.removeDuplicates(QDate(2024, 3, 1), QDate(2024, 3, 31), [&](int step, int all) {
                if (step > 0)
                    std::printf("  step %d/%d: %.3f s\n", step, all, stepTimer.restart() / 1000.0);
            });
        Prompt::install(nullptr);
        if (!done)
            return 1;
        const double seconds = timer.elapsed() / 1000.0;
        const int after = count(db, inMarch);
        std::printf("duplicate removal, one month: %d rows in range -> %d rows in %.3f s (goal: 5 s), "
                    "peak RSS %.1f MiB\n",
                    before, after, seconds, bench::peakMemoryMiB());
        std::printf("rows in 话费表 after: %d\n", count(db, QStringLiteral("SELECT COUNT(*) FROM 话费表")));

        db.execute(QStringLiteral("DELETE FROM 话费表备份"));
        Prompt::install(&prompt);
        timer.restart();
        const bool backedUp = commands.backup({QDate(2024, 3, 1), QDate(2024, 3, 31), std::nullopt});
        const double backupSeconds = timer.elapsed() / 1000.0;
        Prompt::install(nullptr);
        if (!backedUp)
            return 1;
        std::printf("backup, one month: %d rows in %.3f s (goal: 5 s), peak RSS %.1f MiB\n",
                    count(db, QStringLiteral("SELECT COUNT(*) FROM 话费表备份")), backupSeconds,
                    bench::peakMemoryMiB());
        return 0;
    } catch (const DbError& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.message()));
        return 1;
    }
}
