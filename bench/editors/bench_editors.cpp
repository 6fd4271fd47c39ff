// Measures the rate editor over a large rate table.
//
//   bench_editors                  a scratch SQLite file
//   bench_editors --connection "DRIVER={PostgreSQL Unicode};...;Database=scratch" [--clear]
//   bench_editors --rates 10000 --runs 3
//
// Figures: importing the rates from a CSV file (all rows checked, one
// transaction), and opening the rate editor until its grid is shown.
// A named data source must hold an empty 费率表 (or pass --clear to empty it).

#include "BenchDataSource.h"
#include "db/CDatabase.h"
#include "db/CsvWriter.h"
#include "db/SchemaBuilder.h"
#include "db/TableRegistry.h"
#include "editors/CsvImport.h"
#include "editors/EditorDialog.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace qalor;

namespace {

int count(CDatabase& db, const QString& sql)
{
    QSqlQuery query = db.prepare(sql);
    CDatabase::exec(query);
    return query.next() ? query.value(0).toInt() : -1;
}

// A carrier's list: distinct prefixes, two tariff classes, Chinese areas.
QByteArray rateFile(const QString& path, int rates)
{
    CsvWriter writer(path);
    writer.open();
    writer.writeRow({QStringLiteral("区号"), QStringLiteral("费率"), QStringLiteral("地区"),
                     QStringLiteral("计费单位"), QStringLiteral("折扣类型"), QStringLiteral("附加费费率"),
                     QStringLiteral("统计类型")});
    const QStringList areas{QStringLiteral("北京"), QStringLiteral("上海"), QStringLiteral("广州, 番禺"),
                            QStringLiteral("国际\"长途\"")};
    for (int i = 0; i < rates; ++i)
        writer.writeRow({QStringLiteral("0%1").arg(i, 5, 10, QLatin1Char('0')),
                         QString::number(0.1 + (i % 50) * 0.05), areas.at(i % areas.size()),
                         QString::number(i % 3 == 0 ? 6 : 60), QString::number(i % 2), QStringLiteral("0"),
                         QString::number(i % 4)});
    writer.commit();
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Rate editor over a large rate table"));
    parser.addHelpOption();
    const QCommandLineOption connectionOption = BenchDataSource::option();
    const QCommandLineOption ratesOption(QStringLiteral("rates"), QStringLiteral("rows of 费率表"),
                                         QStringLiteral("n"), QStringLiteral("10000"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("runs of each measure"),
                                        QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption clearOption(QStringLiteral("clear"),
                                         QStringLiteral("empty 费率表 of the data source"));
    parser.addOptions({connectionOption, ratesOption, runsOption, clearOption});
    parser.process(app);

    QTemporaryDir dir; // the generated rate file
    const BenchDataSource source(parser);
    const bool scratch = source.scratch();
    const QString connection = source.connection();
    const int rates = parser.value(ratesOption).toInt();
    const int runs = std::max(1, parser.value(runsOption).toInt());

    try {
        CDatabase::setDefaultConnectionString(connection);
        CDatabase& db = CDatabase::shared();
        db.open();
        SchemaBuilder(db).createMissing(QStringLiteral("secret"), false);
        const QString countRates = QStringLiteral("SELECT COUNT(*) FROM 费率表");
        if (count(db, countRates) > 0 && !scratch && !parser.isSet(clearOption)) {
            std::fprintf(stderr, "费率表 of this data source holds rows; pass --clear to empty it\n");
            return 2;
        }
        std::printf("back end: %s, %d rates, %d runs\n",
                    db.dialect() == SqlDialect::PostgreSQL ? "PostgreSQL" : "SQLite", rates, runs);
        const QByteArray bytes = rateFile(dir.filePath(QStringLiteral("rates.csv")), rates);

        QList<double> imports;
        for (int run = 0; run < runs; ++run) {
            db.execute(QStringLiteral("DELETE FROM 费率表"));
            QElapsedTimer timer;
            timer.start();
            const CsvImport::Result result = CsvImport::run(Tables::rate(), bytes, db);
            imports << timer.nsecsElapsed() / 1e6;
            if (!result.ok()) {
                std::fprintf(stderr, "import failed: %s\n", qPrintable(result.error));
                return 1;
            }
            std::printf("import %d: %d rows in %.1f ms\n", run + 1, result.rows, imports.last());
        }
        std::printf("rows in 费率表: %d\n", count(db, countRates));

        const EditorDef& rateEditor = *EditorTable::find(32790);
        QList<double> opens;
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer timer;
            timer.start();
            EditorDialog dialog(rateEditor, {[] { return true; }, [](QDialog&) { return 0; }});
            dialog.show();
            QCoreApplication::processEvents();
            opens << timer.nsecsElapsed() / 1e6;
            timer.restart();
            dialog.model().refresh();
            const double fetch = timer.nsecsElapsed() / 1e6;
            std::printf("open %d: %d rows shown in %.1f ms (fetching the rows again: %.1f ms)\n", run + 1,
                        dialog.model().recordCount(), opens.last(), fetch);
        }
        std::printf("import of %d rates: median %.1f ms (target 2000 ms on SQLite)\n", rates, median(imports));
        std::printf("rate editor over %d rates: median %.1f ms (target 300 ms)\n", rates, median(opens));
        return 0;
    } catch (const DbError& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.message()));
        return 1;
    }
}
