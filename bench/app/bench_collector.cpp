// bench_collector: whether a collector that runs for months keeps its memory.
//
//   bench_collector [--calls N] [--early N] [--no-window] [--connection <ODBC connection string>]
//
// Starts the real programs on a scratch SQLite data source (demonstration
// tariffs), or on the empty database --connection names: the exchange
// simulator serving N generated calls as fast as they are taken on a
// loopback TCP port, a collector reading that port and pricing every call
// live (one transaction a call), and a window that lists the collector's
// calls. It prints the resident memory of the collector and of the window
// after the first --early calls are stored, at every tenth of the run and at
// its end (goal: the end within 10 % of the early figure), with the load
// average beside each figure.

#include "BenchDataSource.h"
#include "BenchHost.h"
#include "PeakMemory.h"
#include "db/CDatabase.h"
#include "db/DbError.h"
#include "db/SchemaBuilder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

using namespace qalor;
using namespace qalor::bench;

namespace {

int storedCalls()
{
    try {
        QSqlQuery query = CDatabase::shared().prepare(QStringLiteral("SELECT COUNT(*) FROM 话费表"));
        CDatabase::exec(query);
        return query.next() ? query.value(0).toInt() : -1;
    } catch (const DbError&) {
        return -1; // busy for a moment: asked again at the next look
    }
}

bool collectorBeats(qint64 pid)
{
    try {
        QSqlQuery query = CDatabase::shared().prepare(
            QStringLiteral("SELECT COUNT(*) FROM 采集服务表 WHERE 进程号=%1").arg(pid));
        CDatabase::exec(query);
        return query.next() && query.value(0).toInt() > 0;
    } catch (const DbError&) {
        return false; // the collector makes the table with its first beat
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption callsOption(QStringLiteral("calls"), QStringLiteral("Calls the exchange sends."),
                                         QStringLiteral("n"), QStringLiteral("1000000"));
    const QCommandLineOption earlyOption(QStringLiteral("early"),
                                         QStringLiteral("Stored calls after which memory is first noted."),
                                         QStringLiteral("n"), QStringLiteral("10000"));
    const QCommandLineOption noWindowOption(QStringLiteral("no-window"), QStringLiteral("Run no window."));
    parser.addOptions({callsOption, earlyOption, noWindowOption, BenchDataSource::option()});
    parser.addHelpOption();
    parser.process(app);
    const int calls = parser.value(callsOption).toInt();
    const int early = parser.value(earlyOption).toInt();

    QTemporaryDir folder;
    const BenchDataSource source(parser);
    CDatabase::setDefaultConnectionString(source.connection());
    if (!SchemaBuilder(CDatabase::shared())
             .createMissing(QStringLiteral("bench"), true)
             .contains(QStringLiteral("话费表"))) {
        std::fprintf(stderr, "the data source must be empty: the bench fills its tables\n");
        return 2;
    }

    // COM1 is the simulator's loopback port, as a serial device server's.
    const quint16 port = freeLoopbackPort();
    const QString settings = folder.filePath(QStringLiteral("config/Local AppWizard-Generated Applications"));
    QDir().mkpath(settings);
    QFile conf(settings + QStringLiteral("/qalor.conf"));
    if (!conf.open(QIODevice::WriteOnly) ||
        conf.write(QStringLiteral("[SerialPorts]\nCOM1=tcp://127.0.0.1:%1\n").arg(port).toUtf8()) <= 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(conf.fileName()));
        return 2;
    }
    conf.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QALOR_ODBC"), source.connection());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());
    env.insert(QStringLiteral("QALOR_DATA_DIR"), folder.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    QProcess collector;
    collector.setProcessEnvironment(env);
    collector.setStandardOutputFile(folder.filePath(QStringLiteral("collector.log")));
    collector.setStandardErrorFile(folder.filePath(QStringLiteral("collector.log")), QIODevice::Append);
    collector.start(QStringLiteral(QALOR_COLLECTOR), {});
    collector.waitForStarted();
    QDeadlineTimer started(60000);
    while (!collectorBeats(collector.processId()) && !started.hasExpired() &&
           collector.state() == QProcess::Running)
        QThread::msleep(100);
    if (!collectorBeats(collector.processId())) {
        QFile log(folder.filePath(QStringLiteral("collector.log")));
        log.open(QIODevice::ReadOnly);
        std::fprintf(stderr, "the collector did not start:\n%s\n", log.readAll().constData());
        stop(collector);
        return 1;
    }
    QProcess window;
    if (!parser.isSet(noWindowOption)) {
        window.setProcessEnvironment(env);
        window.setStandardOutputFile(QProcess::nullDevice());
        window.setStandardErrorFile(QProcess::nullDevice());
        window.start(QStringLiteral(QALOR_WINDOW), {});
        window.waitForStarted();
    }
    QProcess exchange;
    exchange.setStandardOutputFile(QProcess::nullDevice());
    exchange.setStandardErrorFile(QProcess::nullDevice());
    exchange.start(QStringLiteral(QALOR_PBXSIM),
                   {QStringLiteral("--tcp-listen"), QString::number(port), QStringLiteral("--generate"),
                    QString::number(calls), QStringLiteral("--fast"), QStringLiteral("--seed"),
                    QStringLiteral("20240105")});
    exchange.waitForStarted();

    const bool withWindow = window.state() == QProcess::Running;
    std::printf("calls sent: %d, memory first noted after %d stored; goal: the end within 10 %% of it\n",
                calls, early);
    std::printf("%10s %10s %14s %14s %6s\n", "stored", "calls/s", "collector MiB", "window MiB", "load");
    const auto note = [&](int stored, double rate) {
        const double collectorMiB = bench::residentMiB(collector.processId());
        const double windowMiB = withWindow ? bench::residentMiB(window.processId()) : -1;
        std::printf("%10d %10.0f %14.1f %14.1f %6.2f\n", stored, rate, collectorMiB, windowMiB,
                    loadAverage());
        std::fflush(stdout);
        return std::make_pair(collectorMiB, windowMiB);
    };

    // The run ends when the simulator has sent everything and the collector
    // has stored nothing more for a while (some generated calls are not billable).
    std::pair<double, double> first{-1, -1}, last{-1, -1};
    int stored = 0;
    int nextTenth = 1;
    QElapsedTimer clock, still;
    clock.start();
    still.start();
    while (collector.state() == QProcess::Running) {
        QThread::msleep(500);
        QCoreApplication::processEvents(); // notes the simulator's end
        const int now = storedCalls();
        if (now > stored) {
            stored = now;
            still.restart();
        }
        const double rate = stored / (clock.nsecsElapsed() / 1e9);
        if (first.first < 0 && stored >= early)
            first = note(stored, rate);
        if (first.first >= 0 && stored >= qint64(calls) * nextTenth / 10) {
            last = note(stored, rate);
            ++nextTenth;
        }
        if (exchange.state() == QProcess::NotRunning && still.elapsed() > 15000)
            break;
    }
    last = note(stored, stored / (clock.nsecsElapsed() / 1e9));
    const bool collectorOk = first.first > 0 && last.first <= first.first * 1.1;
    const bool windowOk = !withWindow || (first.second > 0 && last.second <= first.second * 1.1);
    std::printf("collector: %.1f MiB after %d calls, %.1f MiB at the end (%+.1f %%)%s\n", first.first, early,
                last.first, 100 * (last.first / first.first - 1), collectorOk ? "" : "  MISSED");
    if (withWindow)
        std::printf("window:    %.1f MiB after %d calls, %.1f MiB at the end (%+.1f %%)%s\n", first.second,
                    early, last.second, 100 * (last.second / first.second - 1), windowOk ? "" : "  MISSED");
    stop(exchange);
    stop(window);
    stop(collector);
    return collectorOk && windowOk ? 0 : 1;
}
