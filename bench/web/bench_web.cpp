// bench_web: the web console over a large call table, and beside a REPORT
// batch.
//
//   bench_web [--calls N] [--extensions N] [--departments N] [--connection <ODBC connection string>]
//             [--sessions N] [--report-lines N] [--rounds N] [--no-query] [--no-live]
//
// On a scratch SQLite file, or on the empty database --connection names, it
// fills 部门表 and 用户信息表 (2,000 extensions in 40 departments) and
// 话费表 with N calls (default 10,000,000) over the twelve months of 2024,
// then starts the real qalor-web on a loopback port of its own and logs in
// as Headkeeper.
//
// Queries: the first page of /api/calls for one extension over one month
// and for one department over one month, each the median and the slowest of
// several runs (goal 100 ms). The time is the request's round trip over
// loopback on a connection kept open, as a browser's second request has it:
// server time plus the loopback's share, which is well under a millisecond.
// Beside it the processor time the server spent on the request, which the
// load of other programs on a shared machine does not stretch.
//
// Live page: the real collector reads a CDR line that the bench serves on
// loopback; each round it collects a REPORT batch of --report-lines lines
// (接收REPORT数据) and prices it (计算REPORT数据), once quietly and once while
// --sessions logged-in sessions (default 50) poll /api/live every second, as
// open live pages do. Throughput is the batch's lines over the time from the
// collector taking the request to its answer; the better of --rounds rounds
// counts each way (goal: with the pollers within 10 % of the quiet figure).
// The pollers run in this process, on the same machine: their share of the
// processors weighs on the batch too.

#include "BenchDataSource.h"
#include "BenchHost.h"
#include "BulkFill.h"
#include "PeakMemory.h"
#include "SampleCall.h"
#include "WebSession.h"
#include "station/CollectorRequests.h"
#include "db/CDatabase.h"
#include "db/DefaultRows.h"
#include "db/SchemaBuilder.h"
#include "intake/LineJournal.h"
#include "receiving/ReportLines.h"
#include "tools/pbxsim/CallGenerator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>

using namespace qalor;
using namespace qalor::bench;
using bench::WebSession;

namespace {

const QString Password = QStringLiteral("bench-secret");
const QDate QueryMonth(2024, 3, 1);

struct Sizes
{
    int calls = 10000000;
    int extensions = 2000;
    int departments = 40;
};

// Beside the demonstration data set's extensions (8001-8016) and
// departments (1-4), whose rates price the REPORT batches.
QString extension(int i)
{
    return QString::number(6000 + i);
}

int department(int i)
{
    return 101 + i;
}

int scalar(const QString& sql)
{
    QSqlQuery query = CDatabase::shared().prepare(sql);
    CDatabase::exec(query);
    return query.next() ? query.value(0).toInt() : -1;
}

// Processor time a process's threads have had so far, in nanoseconds (the
// scheduler's own count): the server's share of a request, whatever the
// load of others on a shared machine does to its round trip.
qint64 cpuNanoseconds(qint64 pid)
{
    qint64 total = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (stat.open(QIODevice::ReadOnly))
            total += stat.readAll().split(' ').value(0).toLongLong();
    }
    return total;
}

QByteArray logOf(const QString& file)
{
    QFile log(file);
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
}

void fillDirectory(CDatabase& db, const Sizes& sizes)
{
    CTransaction transaction(db);
    QSqlQuery insert = db.prepare(QStringLiteral("INSERT INTO 部门表 VALUES (?, ?, ?)"));
    for (int d = 0; d < sizes.departments; ++d) {
        insert.bindValue(0, QStringLiteral("第%1部门").arg(department(d)));
        insert.bindValue(1, department(d));
        insert.bindValue(2, 0.0);
        CDatabase::exec(insert);
    }
    QSqlQuery user = db.prepare(
        QStringLiteral("INSERT INTO 用户信息表 VALUES (?,?,'A1','2','1号楼','20240101',0,0,0,?,'')"));
    for (int i = 0; i < sizes.extensions; ++i) {
        user.bindValue(0, extension(i));
        user.bindValue(1, QStringLiteral("用户%1").arg(i));
        user.bindValue(2, department(i % sizes.departments));
        CDatabase::exec(user);
    }
    transaction.commit();
}

// January written row by row, in time order as the exchange reports calls,
// the other months copied from it by statement.
void fillCalls(CDatabase& db, const Sizes& sizes)
{
    const int perMonth = sizes.calls / 12;
    const int days = 31;
    CTransaction transaction(db);
    QSqlQuery insert = db.prepare(QStringLiteral("INSERT INTO 话费表 VALUES (?,?,?,?,?,?,?,?,?,?,?,?)"));
    for (int call = 0; call < perMonth; ++call) {
        bench::bindSampleCall(insert, call);
        insert.bindValue(0, extension(call * 7919 % sizes.extensions));
        insert.bindValue(2,
                         QStringLiteral("2401%1").arg(call * days / perMonth + 1, 2, 10, QLatin1Char('0')));
        insert.bindValue(8, 0.1);
        insert.bindValue(9, call % 5 ? 0.0 : 0.5);
        insert.bindValue(11, call % 4);
        CDatabase::exec(insert);
    }
    // Days a month lacks go to its last day.
    for (int month = 2; month <= 12; ++month) {
        const int last = QDate(2024, month, 1).daysInMonth();
        QSqlQuery copy = db.prepare(
            QStringLiteral("INSERT INTO 话费表 SELECT 主叫号,被叫号,"
                           "CASE WHEN substr(日期,5,2)>? THEN ? ELSE ? || substr(日期,5,2) END,"
                           "时间,时长,费率,计费单位数,通话费,服务费,附加费,通达地,统计类型 FROM 话费表 "
                           "WHERE 日期>='240101' AND 日期<='240131'"));
        const QString yymm = QStringLiteral("24%1").arg(month, 2, 10, QLatin1Char('0'));
        copy.addBindValue(QString::number(last));
        copy.addBindValue(yymm + QString::number(last));
        copy.addBindValue(yymm);
        CDatabase::exec(copy);
    }
    transaction.commit();
}

// The real server on a loopback port, on the bench's data source.
class WebServer
{
public:
    WebServer(const QString& connection, const QString& folder) : m_log(folder + QStringLiteral("/web.log"))
    {
        m_port = freeLoopbackPort();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QALOR_ODBC"), connection);
        env.insert(QStringLiteral("QALOR_DATA_DIR"), folder + QStringLiteral("/web-data"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), folder + QStringLiteral("/web-data"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder + QStringLiteral("/config"));
        m_process.setProcessEnvironment(env);
        m_process.setStandardOutputFile(m_log);
        m_process.setStandardErrorFile(m_log, QIODevice::Append);
        m_process.start(QStringLiteral(QALOR_WEB),
                        {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(m_port)});
    }
    ~WebServer() { stop(m_process); }

    // Waits until it accepts connections (it may first make its certificate).
    bool ready()
    {
        for (QDeadlineTimer deadline(60000); !deadline.hasExpired(); QThread::msleep(100)) {
            QCoreApplication::processEvents(); // notes the program's end
            if (m_process.state() == QProcess::NotRunning)
                break;
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, m_port);
            if (probe.waitForConnected(1000))
                return true;
        }
        std::fprintf(stderr, "qalor-web did not start:\n%s\n", logOf(m_log).constData());
        return false;
    }
    QUrl url() const { return QUrl(QStringLiteral("https://127.0.0.1:%1").arg(m_port)); }
    qint64 pid() const { return m_process.processId(); }

private:
    QString m_log;
    quint16 m_port = 0;
    QProcess m_process;
};

struct Figures
{
    double median = 0;
    double slowest = 0;
    double cpuMedian = 0; // the server's processor time
    int rows = 0;         // on the last page asked for
    int pages = 0;        // of the last query
    int failed = 0;       // answers other than 200
    QString error;
};

Figures firstPages(WebSession& session, qint64 server, const QStringList& queries)
{
    QList<double> times, cpu;
    Figures figures;
    for (const QString& query : queries) {
        const qint64 before = cpuNanoseconds(server);
        const WebSession::Answer answer = session.get(query);
        cpu << (cpuNanoseconds(server) - before) / 1e6;
        if (answer.status != 200) {
            ++figures.failed;
            figures.error = QStringLiteral("%1 %2").arg(answer.status).arg(answer.error);
            continue;
        }
        times << answer.ms;
        figures.rows = int(answer.body.value(QStringLiteral("calls")).toArray().size());
        figures.pages = answer.body.value(QStringLiteral("pages")).toInt();
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    if (!times.isEmpty()) {
        figures.median = times[times.size() / 2];
        figures.slowest = times.last();
        figures.cpuMedian = cpu[cpu.size() / 2];
    }
    return figures;
}

void printFigures(const char* what, const Figures& figures, qsizetype runs)
{
    std::printf(
        "%s: first page in %.1f ms (median of %lld), slowest %.1f ms (goal: 100 ms), server processor "
        "time %.1f ms (median); %d calls on it, %d pages",
        what, figures.median, qlonglong(runs), figures.slowest, figures.cpuMedian, figures.rows,
        figures.pages);
    if (figures.failed)
        std::printf("; %d requests FAILED: %s", figures.failed, qPrintable(figures.error));
    std::printf("\n");
    std::fflush(stdout);
}

bool timeQueries(WebSession& session, qint64 server, const Sizes& sizes)
{
    const QString period =
        QStringLiteral("from=%1&to=%2")
            .arg(QueryMonth.toString(Qt::ISODate), QueryMonth.addMonths(1).addDays(-1).toString(Qt::ISODate));
    // The first request opens the connection and its TLS session.
    session.get(QStringLiteral("/api/session"));
    QStringList ofOne, ofDepartment;
    for (int i = 0; i < 20; ++i)
        ofOne << QStringLiteral("/api/calls?extension=%1&%2&page=1")
                     .arg(extension(i * 97 % sizes.extensions), period);
    for (int d = 0; d < 10; ++d)
        ofDepartment << QStringLiteral("/api/calls?department=%1&%2&page=1")
                            .arg(department(d * 7 % sizes.departments))
                            .arg(period);
    const Figures one = firstPages(session, server, ofOne);
    printFigures("one extension, one month", one, ofOne.size());
    const Figures department = firstPages(session, server, ofDepartment);
    printFigures(qPrintable(QStringLiteral("one department (%1 extensions), one month")
                                .arg(sizes.extensions / sizes.departments)),
                 department, ofDepartment.size());
    return !one.failed && !department.failed;
}

// The real collector of COM1, on the bench's data source. Its line is a
// device server's loopback port that sends nothing: the batch's lines were
// collected before it started.
class Collector
{
public:
    Collector(const QString& connection, const QString& folder, quint16 linePort)
        : m_log(folder + QStringLiteral("/collector.log"))
    {
        const QString settings = folder + QStringLiteral("/config/Local AppWizard-Generated Applications");
        QDir().mkpath(settings);
        QFile conf(settings + QStringLiteral("/qalor.conf"));
        if (conf.open(QIODevice::WriteOnly))
            conf.write(QStringLiteral("[SerialPorts]\nCOM1=tcp://127.0.0.1:%1\n").arg(linePort).toUtf8());
        conf.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QALOR_ODBC"), connection);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder);
        env.insert(QStringLiteral("QALOR_DATA_DIR"), folder + QStringLiteral("/collector-data"));
        m_process.setProcessEnvironment(env);
        m_process.setStandardOutputFile(m_log, QIODevice::Append);
        m_process.setStandardErrorFile(m_log, QIODevice::Append);
        m_process.start(QStringLiteral(QALOR_COLLECTOR), {QStringLiteral("COM1")});
    }
    ~Collector() { stop(m_process); }

    bool started()
    {
        for (QDeadlineTimer deadline(60000); !deadline.hasExpired(); QThread::msleep(100)) {
            QCoreApplication::processEvents(); // notes the program's end
            if (m_process.state() == QProcess::NotRunning)
                break;
            try {
                QSqlQuery query = CDatabase::shared().prepare(
                    QStringLiteral("SELECT 服务 FROM 采集服务表 WHERE 进程号=%1").arg(m_process.processId()));
                CDatabase::exec(query);
                if (query.next()) {
                    m_service = query.value(0).toString();
                    return true;
                }
            } catch (const DbError&) {
                // the collector makes the table with its first beat
            }
        }
        std::fprintf(stderr, "the collector did not start:\n%s\n", logOf(m_log).constData());
        return false;
    }
    const QString& service() const { return m_service; }
    QByteArray log() const { return logOf(m_log); }
    bool running() const { return m_process.state() == QProcess::Running; }

private:
    QString m_log;
    QString m_service;
    QProcess m_process;
};

// Polls /api/live every second in each of its sessions, as open live pages do.
class LivePollers
{
public:
    LivePollers(const QUrl& server, qint64 serverPid, int sessions) : m_serverPid(serverPid)
    {
        for (int i = 0; i < sessions; ++i)
            m_sessions.push_back(std::make_unique<Poller>(server));
    }
    bool login(QString* error)
    {
        for (auto& poller : m_sessions)
            if (!poller->session.login(QStringLiteral("Headkeeper"), Password, error))
                return false;
        return true;
    }
    // Starts each session's polling, spread over the first second.
    void start()
    {
        m_times.clear();
        m_failed = 0;
        m_running = true;
        m_serverCpuNs = -cpuNanoseconds(m_serverPid);
        ++m_generation;
        for (size_t i = 0; i < m_sessions.size(); ++i)
            QTimer::singleShot(int(1000 * i / m_sessions.size()),
                               [this, i, generation = m_generation] { poll(*m_sessions[i], generation); });
    }
    void stop()
    {
        m_running = false;
        // What is under way ends by itself.
        for (QDeadlineTimer deadline(30000); busy() && !deadline.hasExpired();)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        m_serverCpuNs += cpuNanoseconds(m_serverPid);
    }
    QString summary() const
    {
        QList<double> times = m_times;
        std::sort(times.begin(), times.end());
        if (times.isEmpty())
            return QStringLiteral("no poll answered, %1 failed").arg(m_failed);
        return QStringLiteral(
                   "%1 polls, median %2 ms, slowest %3 ms, %4 failed; server processor time %5 ms a poll")
            .arg(times.size())
            .arg(times[times.size() / 2], 0, 'f', 1)
            .arg(times.last(), 0, 'f', 1)
            .arg(m_failed)
            .arg(m_serverCpuNs / 1e6 / times.size(), 0, 'f', 1);
    }

private:
    struct Poller
    {
        explicit Poller(const QUrl& server) : session(server) {}
        WebSession session;
        qint64 newest = 0;
        bool waiting = false;
    };
    bool busy() const
    {
        return std::any_of(m_sessions.begin(), m_sessions.end(), [](const auto& p) { return p->waiting; });
    }
    // A poll of an earlier start() ends its chain.
    void poll(Poller& poller, int generation)
    {
        if (!m_running || generation != m_generation)
            return;
        poller.waiting = true;
        poller.session.getLater(
            QStringLiteral("/api/live?after=%1").arg(poller.newest),
            [this, &poller, generation](const WebSession::Answer& answer) {
                poller.waiting = false;
                if (answer.status == 200) {
                    m_times << answer.ms;
                    poller.newest = answer.body.value(QStringLiteral("newest")).toVariant().toLongLong();
                } else {
                    ++m_failed;
                }
                QTimer::singleShot(1000, [this, &poller, generation] { poll(poller, generation); });
            });
    }

    std::vector<std::unique_ptr<Poller>> m_sessions;
    QList<double> m_times;
    int m_failed = 0;
    bool m_running = false;
    int m_generation = 0;
    qint64 m_serverPid;
    qint64 m_serverCpuNs = 0;
};

// Waits, turning the event loop, until the condition holds.
bool awaitEvents(const std::function<bool()>& condition, int ms, int stepMs = 50)
{
    for (QDeadlineTimer deadline(ms); !deadline.hasExpired();) {
        if (condition())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, stepMs);
        QThread::msleep(stepMs);
    }
    return condition();
}

// The REPORT batch of a round as the collector's journal holds it when it
// collected the lines (接收REPORT数据) and was stopped: generated calls of a
// day of the round's own, so that none is one stored before.
void collectBatch(const QString& dataFolder, int lines, int round)
{
    QDir().mkpath(dataFolder);
    qputenv("QALOR_DATA_DIR", dataFolder.toUtf8());
    LineJournal journal(ReportLines::defaultJournalPath());
    const QDate day = QDate(2024, 5, 1).addDays(round);
    pbxsim::CallGenerator generator(20240105 + round, day);
    const QDateTime now(day, QTime(23, 0));
    constexpr int Chunk = 10000;
    for (int done = 0; done < lines;) {
        QStringList chunk;
        for (; chunk.size() < Chunk && done < lines; ++done)
            chunk << QString::fromLatin1(pbxsim::formatCdrLine(generator.next(now), defaultCdrLayout()));
        journal.append(chunk);
    }
}

// Asks the collector to price what it collected (计算REPORT数据); lines a
// second from its taking the request to its answer, 0 when it failed.
double computeBatch(const Collector& collector, int lines)
{
    const QString compute =
        CollectorRequests::post(collector.service(), QLatin1String(CollectorRequests::ComputeReport));
    const auto state = [&] {
        try {
            return CollectorRequests::read(compute).state;
        } catch (const DbError&) {
            return CollectorRequests::Waiting; // busy for a moment: asked again
        }
    };
    if (!awaitEvents([&] { return state() != CollectorRequests::Waiting; }, 60000, 5))
        return 0;
    QElapsedTimer clock;
    clock.start();
    if (!awaitEvents([&] { return state() >= CollectorRequests::Done; }, 3600000, 20))
        return 0;
    const double seconds = clock.nsecsElapsed() / 1e9;
    const CollectorRequests::Request request = CollectorRequests::read(compute);
    if (request.state != CollectorRequests::Done) {
        std::fprintf(stderr, "计算REPORT数据 failed: %s\n", qPrintable(request.text));
        return 0;
    }
    return lines / seconds;
}

// One round: the batch collected, the collector started on it, the batch
// priced (with the pollers polling when given), the collector stopped.
double reportRound(const QString& connection, const QString& folder, int lines, int round,
                   LivePollers* pollers)
{
    collectBatch(folder + QStringLiteral("/collector-data"), lines, round);
    QTcpServer line;
    line.listen(QHostAddress::LocalHost);
    Collector collector(connection, folder, line.serverPort());
    if (!collector.started())
        return 0;
    if (pollers)
        pollers->start();
    const double rate = computeBatch(collector, lines);
    if (pollers)
        pollers->stop();
    if (rate <= 0)
        std::fprintf(stderr, "the batch did not finish:\n%s\n", collector.log().right(2000).constData());
    return rate;
}

bool timeLivePolling(const WebServer& server, const QString& connection, const QString& folder, int sessions,
                     int lines, int rounds)
{
    LivePollers pollers(server.url(), server.pid(), sessions);
    QString error;
    QElapsedTimer clock;
    clock.start();
    if (!pollers.login(&error)) {
        std::fprintf(stderr, "a poller's login failed: %s\n", qPrintable(error));
        return false;
    }
    std::printf("%d sessions logged in in %.1f s\n", sessions, clock.elapsed() / 1000.0);
    std::printf("%6s %12s %12s %6s  %s\n", "round", "quiet/s", "polled/s", "load", "polls during the batch");
    double quiet = 0, polled = 0;
    for (int round = 0; round < rounds; ++round) {
        const double alone = reportRound(connection, folder, lines, 2 * round, nullptr);
        const double load = loadAverage();
        const double beside = reportRound(connection, folder, lines, 2 * round + 1, &pollers);
        std::printf("%6d %12.0f %12.0f %6.2f  %s\n", round + 1, alone, beside, load,
                    qPrintable(pollers.summary()));
        std::fflush(stdout);
        if (alone <= 0 || beside <= 0)
            return false;
        quiet = std::max(quiet, alone);
        polled = std::max(polled, beside);
    }
    const double ratio = polled / quiet;
    std::printf("REPORT batch of %d lines: %.0f lines/s quiet, %.0f lines/s with %d sessions polling "
                "/api/live every second: ratio %.2f (goal: 0.90 or more)%s\n",
                lines, quiet, polled, sessions, ratio, ratio >= 0.9 ? "" : "  MISSED");
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The web console over a large call table and beside a "
                                                    "REPORT batch"));
    const QCommandLineOption callsOption(QStringLiteral("calls"), QStringLiteral("Calls in 话费表."),
                                         QStringLiteral("n"), QStringLiteral("10000000"));
    const QCommandLineOption extensionsOption(QStringLiteral("extensions"), QStringLiteral("Extensions."),
                                              QStringLiteral("n"), QStringLiteral("2000"));
    const QCommandLineOption departmentsOption(QStringLiteral("departments"), QStringLiteral("Departments."),
                                               QStringLiteral("n"), QStringLiteral("40"));
    const QCommandLineOption sessionsOption(QStringLiteral("sessions"),
                                            QStringLiteral("Sessions polling the live page."),
                                            QStringLiteral("n"), QStringLiteral("50"));
    const QCommandLineOption linesOption(QStringLiteral("report-lines"),
                                         QStringLiteral("Lines of each REPORT batch."), QStringLiteral("n"),
                                         QStringLiteral("100000"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"),
                                          QStringLiteral("Batches each way (the better one counts)."),
                                          QStringLiteral("n"), QStringLiteral("2"));
    const QCommandLineOption noQueryOption(QStringLiteral("no-query"), QStringLiteral("Skip the queries."));
    const QCommandLineOption noLiveOption(QStringLiteral("no-live"), QStringLiteral("Skip the live page."));
    parser.addOptions({callsOption, extensionsOption, departmentsOption, sessionsOption, linesOption,
                       roundsOption, noQueryOption, noLiveOption, BenchDataSource::option()});
    parser.addHelpOption();
    parser.process(app);
    Sizes sizes;
    sizes.calls = parser.value(callsOption).toInt();
    sizes.extensions = std::max(1, parser.value(extensionsOption).toInt());
    sizes.departments = std::clamp(parser.value(departmentsOption).toInt(), 1, sizes.extensions);

    QTemporaryDir folder;
    const BenchDataSource source(parser);
    CDatabase::setDefaultConnectionString(source.connection());
    try {
        CDatabase& db = CDatabase::shared();
        if (!SchemaBuilder(db).createMissing(Password, true).contains(QStringLiteral("话费表"))) {
            std::fprintf(stderr, "the data source must be empty: the bench fills its tables\n");
            return 2;
        }
        const bool pg = db.dialect() == SqlDialect::PostgreSQL;
        std::printf("back end: %s\n", pg ? "PostgreSQL" : "SQLite");
        QElapsedTimer clock;
        clock.start();
        fillDirectory(db, sizes);
        {
            bench::BulkFill bulk(db);
            fillCalls(db, sizes);
        }
        std::printf(
            "filled 话费表 with %d calls of %d extensions in %d departments in %.1f s, peak RSS %.1f MiB\n",
            scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")), sizes.extensions, sizes.departments,
            clock.elapsed() / 1000.0, bench::peakMemoryMiB());
        std::fflush(stdout);

        WebServer server(source.connection(), folder.path());
        if (!server.ready())
            return 1;
        bool ok = true;
        if (!parser.isSet(noQueryOption)) {
            WebSession session(server.url());
            QString error;
            if (!session.login(QStringLiteral("Headkeeper"), Password, &error)) {
                std::fprintf(stderr, "login failed: %s\n", qPrintable(error));
                return 1;
            }
            ok = timeQueries(session, server.pid(), sizes);
            std::printf("qalor-web resident memory: %.1f MiB\n", bench::residentMiB(server.pid()));
        }
        if (!parser.isSet(noLiveOption))
            ok = timeLivePolling(server, source.connection(), folder.path(),
                                 std::max(1, parser.value(sessionsOption).toInt()),
                                 std::max(1, parser.value(linesOption).toInt()),
                                 std::max(1, parser.value(roundsOption).toInt())) &&
                 ok;
        std::printf("qalor-web resident memory at the end: %.1f MiB\n", bench::residentMiB(server.pid()));
        return ok ? 0 : 1;
    } catch (const DbError& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.message()));
        return 1;
    }
}
