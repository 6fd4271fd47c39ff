// bench_report: how fast a REPORT batch prices its collected lines, at three
// sizes, and how much memory it needs.
//
//   bench_report [--lines N | --lines A,B,C] [--batch N] [--rounds N]
//                [--connection <ODBC connection string>]
//
// --lines N runs N/100, N/10 and N lines; A,B,C names the three sizes (a
// size of 0 is left out). On a fresh SQLite data source (demonstration
// tariffs), or on the empty database --connection names (PostgreSQL, say),
// it prices the generated CDR lines of each size two ways, each time into an
// emptied 话费表, so that both ways fill a table of the same size: once
// straight through the engine (parse, price, store row by row) in one
// transaction, once as a REPORT batch collected in its journal (rows written
// several hundred a statement, the journal read in slices, batches of their
// own transactions, list rows, journal marks). Each way runs --rounds times
// (default 2; the better round counts; one saves time at a large size on a
// busy machine). Line generation and reading them back for the engine are
// not timed; collecting them into the journal is not part of either figure.
// Each figure comes by the clock and by the processor time (the CPU ratio
// and the lines a second of processor time), which move less with the load
// of others on a shared machine.
// The REPORT batch's peak memory is that of its run alone.

#include "BenchDataSource.h"
#include "BenchHost.h"
#include "PeakMemory.h"
#include "db/CDatabase.h"
#include "db/SchemaBuilder.h"
#include "intake/JournalMark.h"
#include "receiving/CallIntake.h"
#include "receiving/ReceivedCallsModel.h"
#include "receiving/ReportLines.h"
#include "receiving/ReportProcessor.h"
#include "serial/SerialCommControl.h"
#include "tools/pbxsim/CallGenerator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>

using namespace qalor;
using namespace qalor::bench;

namespace {

// Wall-clock and processor time of the steps it is running for. On a
// shared machine the processor time moves less with the others' load.
class Stopwatch
{
public:
    void start()
    {
        m_wall.start();
        m_cpuStart = cpuNanoseconds();
    }
    void stop()
    {
        m_wallNs += m_wall.nsecsElapsed();
        m_cpuNs += cpuNanoseconds() - m_cpuStart;
    }
    // Lines a second, by the clock and by the processor.
    std::pair<double, double> rates(int lines) const
    {
        return {lines / (m_wallNs / 1e9), lines / (m_cpuNs / 1e9)};
    }

private:
    static qint64 cpuNanoseconds()
    {
        timespec now{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
    }
    QElapsedTimer m_wall;
    qint64 m_cpuStart = 0;
    qint64 m_wallNs = 0;
    qint64 m_cpuNs = 0;
};

// Lines handled at a time where the bench itself holds them.
constexpr int Chunk = 10000;

// The collection of count generated lines, as the journal of a site that
// collected them line by line would hold it (written a chunk at a time here).
void writeCollection(const QString& path, int count)
{
    QFile::remove(path);
    pbxsim::CallGenerator generator(20240105, QDate(2024, 1, 5));
    const QDateTime now(QDate(2024, 1, 5), QTime(23, 0));
    LineJournal journal(path);
    for (int done = 0; done < count;) {
        QStringList lines;
        const int size = qMin(Chunk, count - done);
        lines.reserve(size);
        for (int i = 0; i < size; ++i)
            lines << QString::fromLatin1(pbxsim::formatCdrLine(generator.next(now), defaultCdrLayout()));
        journal.append(lines);
        done += size;
    }
}

int storedCalls()
{
    CDatabase& db = CDatabase::shared();
    QSqlQuery query = db.prepare(QStringLiteral("SELECT COUNT(*) FROM 话费表"));
    CDatabase::exec(query);
    return query.next() ? query.value(0).toInt() : -1;
}

std::pair<double, double> engineBatch(CCallRater& engine, const QString& collection, int count, int& stored)
{
    CDatabase::shared().execute(QStringLiteral("DELETE FROM 话费表"));
    const LineJournal lines(collection);
    LineJournal::Position at;
    Stopwatch watch;
    CTransaction transaction(CDatabase::shared());
    QString record;
    stored = 0;
    for (QList<LineJournal::Entry> chunk = lines.entriesFrom(at, 0, Chunk); !chunk.isEmpty();
         chunk = lines.entriesFrom(at, 0, Chunk)) {
        watch.start();
        for (const LineJournal::Entry& line : std::as_const(chunk))
            if (engine.preproccdr(line.text, record) == 1 && record.mid(26, 6) != QLatin1String("000000") &&
                record.left(4) == QLatin1String("0000"))
                stored += engine.PriceAndStore(record);
        watch.stop();
    }
    watch.start();
    transaction.commit();
    watch.stop();
    return watch.rates(count);
}

std::pair<double, double> reportBatch(CCallRater& engine, const QString& collection, const QString& journal,
                                      int batchSize, int& stored, double& peakMiB)
{
    CDatabase::shared().execute(QStringLiteral("DELETE FROM 话费表"));
    // Every round copies the same journal: its identity's mark of the last round goes.
    JournalMark::ensureTable();
    CDatabase::shared().execute(QStringLiteral("DELETE FROM ") + JournalMark::tableName());
    QFile::remove(journal);
    QFile::copy(collection, journal); // as collected, line by line, before the compute
    SerialCommControl port;           // never opened: the batch runs with the port closed
    ReceivedCallsModel calls;
    ReportLines collected(journal);
    CallIntake intake(port, engine, calls, collected);
    intake.setReportMode(collected.restore() > 0);
    ReportProcessor processor(intake, engine, collected);
    if (batchSize > 0)
        processor.setBatchSize(batchSize);

    bench::resetPeakMemory();
    Stopwatch watch;
    watch.start();
    const ReportProcessor::Result result = processor.compute();
    watch.stop();
    peakMiB = qMax(peakMiB, bench::stepPeakMiB());
    stored = result.stored;
    if (result.failed || !collected.isEmpty())
        std::fprintf(stderr, "REPORT batch did not finish: %d of %d lines\n", result.done, result.total);
    return watch.rates(result.total);
}

QList<int> batchSizes(const QString& option)
{
    QList<int> sizes;
    for (const QString& part : option.split(QLatin1Char(',')))
        sizes << part.trimmed().toInt();
    if (sizes.size() == 1)
        sizes = {sizes.first() / 100, sizes.first() / 10, sizes.first()};
    return sizes;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption linesOption(
        QStringLiteral("lines"),
        QStringLiteral("The largest batch (N/100 and N/10 run too), or three sizes A,B,C."),
        QStringLiteral("n"), QStringLiteral("10000,50000,200000"));
    const QCommandLineOption batchOption(
        QStringLiteral("batch"), QStringLiteral("Lines per transaction (default: the workstation's)."),
        QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"),
                                          QStringLiteral("Rounds each way at each size; the better counts."),
                                          QStringLiteral("n"), QStringLiteral("2"));
    parser.addOptions({linesOption, batchOption, roundsOption, BenchDataSource::option()});
    parser.addHelpOption();
    parser.process(app);

    QTemporaryDir folder;
    qputenv("QALOR_DATA_DIR", folder.path().toUtf8());
    const BenchDataSource source(parser);
    CDatabase::setDefaultConnectionString(source.connection());
    if (!SchemaBuilder(CDatabase::shared())
             .createMissing(QStringLiteral("bench"), true)
             .contains(QStringLiteral("话费表"))) {
        std::fprintf(stderr, "the data source must be empty: the bench fills its tables\n");
        return 2;
    }
    const bool pg = CDatabase::shared().dialect() == SqlDialect::PostgreSQL;

    const double goal = pg ? 0.8 : 0.85;
    std::printf("back end: %s; goal: REPORT end to end >= %.2f of the engine at every size\n",
                pg ? "PostgreSQL" : "SQLite", goal);
    std::printf("%10s %12s %12s %7s %10s %10s %6s %12s %12s\n", "lines", "engine/s", "REPORT/s", "ratio",
                "CPU ratio", "peak MiB", "load", "engine/CPU s", "REPORT/CPU s");
    CCallRater engine;
    bool ok = true;
    for (const int size : batchSizes(parser.value(linesOption))) {
        if (size <= 0)
            continue;
        const QString collection = folder.filePath(QStringLiteral("collected.journal"));
        writeCollection(collection, size);
        // The better of two rounds counts: on a shared machine one disk flush
        // that waits for another program's writes moves a single figure a lot.
        int engineStored = 0, reportStored = 0;
        std::pair<double, double> engineRate{0, 0}, reportRate{0, 0};
        double peakMiB = 0;
        const auto better = [](std::pair<double, double>& best, const std::pair<double, double>& round) {
            best = {qMax(best.first, round.first), qMax(best.second, round.second)};
        };
        for (int round = 0; round < parser.value(roundsOption).toInt(); ++round) {
            better(engineRate, engineBatch(engine, collection, size, engineStored));
            better(reportRate,
                   reportBatch(engine, collection, folder.filePath(QStringLiteral("report.journal")),
                               parser.value(batchOption).toInt(), reportStored, peakMiB));
        }
        const double ratio = reportRate.first / engineRate.first;
        std::printf("%10d %12.0f %12.0f %7.2f %10.2f %10.1f %6.2f %12.0f %12.0f%s\n", size, engineRate.first,
                    reportRate.first, ratio, reportRate.second / engineRate.second, peakMiB, loadAverage(),
                    engineRate.second, reportRate.second, ratio >= goal ? "" : "  MISSED");
        if (reportStored != engineStored || storedCalls() != engineStored) {
            std::fprintf(stderr,
                         "%d lines: the engine stored %d calls, the REPORT batch %d, 话费表 holds %d\n", size,
                         engineStored, reportStored, storedCalls());
            ok = false;
        }
        std::fflush(stdout);
    }
    std::printf("peak memory of the whole run (RSS): %.1f MiB\n", bench::peakMemoryMiB());
    return ok ? 0 : 1;
}
