// qalor-pbxsim: stands in for the exchange on the CDR line. Sends call
// records (from a file or generated) to a serial device at the line's pace
// and records whatever the workstation sends back.

#include "ByteRecorder.h"
#include "CallGenerator.h"
#include "ChunkCutter.h"
#include "SerialLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <optional>
#include <thread>

using namespace qalor;
using namespace qalor::pbxsim;

namespace {

volatile std::sig_atomic_t stopRequested = 0;
volatile std::sig_atomic_t modemStop = 0;

void requestStop(int)
{
    stopRequested = 1;
}

// Bytes a serial driver hands over at a time when nothing else cuts the stream.
constexpr int PacedSlice = 8;

struct Settings
{
    QString device;
    int tcpPort = 0; // serve the stream on this loopback TCP port instead of a device
    QString file;
    int generate = 0;
    std::optional<QDate> date;
    quint32 seed = 0;
    int everyMs = 0;
    int baud = 9600;
    bool fast = false;
    int chunkMin = 0;
    int chunkMax = 0;
    int gapMs = 20;
    QString record;
    QString modem;
    int listenSeconds = -1; // -1: until killed
};

[[noreturn]] void usageError(const QString& text)
{
    std::fprintf(stderr, "qalor-pbxsim: %s\n", qPrintable(text));
    std::exit(1);
}

int positive(const QCommandLineParser& parser, const QString& name, int fallback, int minimum)
{
    if (!parser.isSet(name))
        return fallback;
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < minimum)
        usageError(QStringLiteral("--%1 needs a whole number of at least %2").arg(name).arg(minimum));
    return value;
}

Settings parseSettings(const QCoreApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Sends call detail records to a serial device the way the exchange prints them, and records what "
        "comes back."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("device"), QStringLiteral("Serial device to write to (or give --tcp-listen)."),
         QStringLiteral("path")},
        {QStringLiteral("tcp-listen"),
         QStringLiteral(
             "Act as a serial device server: serve the stream to one workstation at a time on "
             "this TCP port of 127.0.0.1 (the workstation maps its port to tcp://127.0.0.1:PORT)."),
         QStringLiteral("port")},
        {QStringLiteral("file"), QStringLiteral("Send the lines of this file (CR LF added where missing)."),
         QStringLiteral("file")},
        {QStringLiteral("generate"), QStringLiteral("Generate this many calls by the default layout."),
         QStringLiteral("n")},
        {QStringLiteral("date"),
         QStringLiteral("Date of the generated calls (yymmdd); default: calls end now."),
         QStringLiteral("yymmdd")},
        {QStringLiteral("seed"), QStringLiteral("Seed for repeatable calls and chunks."),
         QStringLiteral("s")},
        {QStringLiteral("every"), QStringLiteral("Pause between calls in milliseconds (default 0)."),
         QStringLiteral("ms")},
        {QStringLiteral("baud"), QStringLiteral("Line speed; paced at 10 bits a character (default 9600)."),
         QStringLiteral("rate")},
        {QStringLiteral("fast"), QStringLiteral("Write as fast as possible.")},
        {QStringLiteral("chunks"), QStringLiteral("Cut the stream into random chunks of MIN..MAX bytes."),
         QStringLiteral("min,max")},
        {QStringLiteral("gap"), QStringLiteral("Pause after each chunk in milliseconds (default 20)."),
         QStringLiteral("ms")},
        {QStringLiteral("record"),
         QStringLiteral("Record every byte received, one timestamped line per read."),
         QStringLiteral("file")},
        {QStringLiteral("modem"),
         QStringLiteral("A second device standing for the modem of the class changes; what arrives on it is "
                        "recorded too (line MODEM)."),
         QStringLiteral("path")},
        {QStringLiteral("listen"),
         QStringLiteral(
             "Keep listening this many seconds after sending (default: until killed with --record, "
             "else 0)."),
         QStringLiteral("seconds")},
    });
    parser.process(app);

    Settings s;
    s.device = parser.value(QStringLiteral("device"));
    s.tcpPort = positive(parser, QStringLiteral("tcp-listen"), 0, 1);
    if (s.tcpPort > 65535)
        usageError(QStringLiteral("--tcp-listen needs a port from 1 to 65535"));
    if (s.device.isEmpty() == (s.tcpPort == 0))
        usageError(QStringLiteral("give either --device or --tcp-listen"));
    s.file = parser.value(QStringLiteral("file"));
    s.generate = positive(parser, QStringLiteral("generate"), 0, 1);
    if (!s.file.isEmpty() && s.generate > 0)
        usageError(QStringLiteral("--file and --generate exclude each other"));
    if (parser.isSet(QStringLiteral("date"))) {
        const QDate date = QDate::fromString(QStringLiteral("20") + parser.value(QStringLiteral("date")),
                                             QStringLiteral("yyyyMMdd"));
        if (!date.isValid())
            usageError(QStringLiteral("--date needs a valid yymmdd date"));
        s.date = date;
    }
    if (parser.isSet(QStringLiteral("seed"))) {
        bool ok = false;
        s.seed = parser.value(QStringLiteral("seed")).toUInt(&ok);
        if (!ok)
            usageError(QStringLiteral("--seed needs a whole number"));
    } else {
        s.seed = QRandomGenerator::global()->generate();
    }
    s.everyMs = positive(parser, QStringLiteral("every"), 0, 0);
    s.baud = positive(parser, QStringLiteral("baud"), 9600, 10);
    s.fast = parser.isSet(QStringLiteral("fast"));
    if (parser.isSet(QStringLiteral("chunks"))) {
        const QStringList bounds = parser.value(QStringLiteral("chunks")).split(QLatin1Char(','));
        bool okMin = false;
        bool okMax = false;
        s.chunkMin = bounds.value(0).toInt(&okMin);
        s.chunkMax = bounds.value(1).toInt(&okMax);
        if (bounds.size() != 2 || !okMin || !okMax || s.chunkMin < 1 || s.chunkMax < s.chunkMin)
            usageError(QStringLiteral("--chunks needs MIN,MAX with 1 <= MIN <= MAX"));
    }
    s.gapMs = positive(parser, QStringLiteral("gap"), 20, 0);
    s.record = parser.value(QStringLiteral("record"));
    s.modem = parser.value(QStringLiteral("modem"));
    s.listenSeconds = positive(parser, QStringLiteral("listen"), s.record.isEmpty() ? 0 : -1, 0);
    if (s.file.isEmpty() && s.generate == 0 && s.record.isEmpty() && !parser.isSet(QStringLiteral("listen")))
        usageError(QStringLiteral("nothing to do: give --file, --generate, --record or --listen"));
    return s;
}

QList<QByteArray> fileLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        usageError(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    QList<QByteArray> lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        line += "\r\n";
    }
    return lines;
}

// Writes lines at the pace of the line speed, optionally cut into chunks.
class Transmitter
{
public:
    Transmitter(SerialLine& line, const Settings& settings) : m_line(line), m_settings(settings)
    {
        if (settings.chunkMin > 0)
            m_cutter.emplace(settings.seed ^ 0x9e3779b9u, settings.chunkMin, settings.chunkMax);
        restartPace();
    }

    bool send(const QByteArray& data)
    {
        QList<QByteArray> pieces;
        if (m_cutter)
            pieces = m_cutter->cut(data);
        else if (m_settings.fast)
            pieces = {data};
        else
            for (qsizetype at = 0; at < data.size(); at += PacedSlice)
                pieces.append(data.mid(at, PacedSlice));
        for (const QByteArray& piece : pieces) {
            if (!m_settings.fast && !m_line.listenUntil(m_paceStart + m_paced * 10000 / m_settings.baud))
                return false;
            if (!m_line.write(piece))
                return false;
            m_paced += piece.size();
            m_sent += piece.size();
            if (m_cutter && !pause(m_settings.gapMs))
                return false;
        }
        return true;
    }

    bool pause(int ms)
    {
        if (ms <= 0)
            return true;
        const bool ok = m_line.listenUntil(m_line.elapsedMs() + ms);
        restartPace();
        return ok;
    }

    qint64 sent() const { return m_sent; }

private:
    void restartPace()
    {
        m_paceStart = m_line.elapsedMs();
        m_paced = 0;
    }

    SerialLine& m_line;
    const Settings& m_settings;
    std::optional<ChunkCutter> m_cutter;
    qint64 m_paceStart = 0;
    qint64 m_paced = 0;
    qint64 m_sent = 0;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qalor-pbxsim"));
    const Settings settings = parseSettings(app);

    struct sigaction onStop
    {
    };
    onStop.sa_handler = requestStop;
    sigemptyset(&onStop.sa_mask);
    sigaction(SIGINT, &onStop, nullptr);
    sigaction(SIGTERM, &onStop, nullptr);
    sigaction(SIGHUP, &onStop, nullptr);

    ByteRecorder record;
    if (!settings.record.isEmpty() && !record.open(settings.record)) {
        std::fprintf(stderr, "qalor-pbxsim: cannot write %s: %s\n", qPrintable(settings.record),
                     qPrintable(record.errorString()));
        return 1;
    }

    SerialLine line(&stopRequested);
    if (settings.tcpPort > 0 && !line.listen(quint16(settings.tcpPort))) {
        std::fprintf(stderr, "qalor-pbxsim: cannot listen on port %d: %s\n", settings.tcpPort,
                     qPrintable(line.lastError()));
        return 2;
    }
    if (settings.tcpPort == 0 && !line.open(settings.device, settings.baud)) {
        std::fprintf(stderr, "qalor-pbxsim: cannot open device %s: %s\n", qPrintable(settings.device),
                     qPrintable(line.lastError()));
        return 2;
    }
    line.setReader([&record](const QByteArray& bytes) { record.record(QStringLiteral("CDR"), bytes); });

    // The modem line only listens, on a thread of its own, until the CDR
    // line is done.
    SerialLine modemLine(&modemStop);
    std::thread modemListener;
    if (!settings.modem.isEmpty()) {
        if (!modemLine.open(settings.modem, settings.baud)) {
            std::fprintf(stderr, "qalor-pbxsim: cannot open device %s: %s\n", qPrintable(settings.modem),
                         qPrintable(modemLine.lastError()));
            return 2;
        }
        modemLine.setReader([&record](const QByteArray& bytes) { record.record(QStringLiteral("MODEM"), bytes); });
        modemListener = std::thread([&modemLine] { modemLine.listenForever(); });
    }
    // Every line is open and set to raw: a byte written from now on reaches
    // the recorder. Whoever drives the simulator waits for this word.
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    const auto stopModem = [&modemListener] {
        modemStop = 1;
        if (modemListener.joinable())
            modemListener.join();
    };

    Transmitter transmitter(line, settings);
    const QList<QByteArray> lines = settings.file.isEmpty() ? QList<QByteArray>() : fileLines(settings.file);
    const int count = settings.file.isEmpty() ? settings.generate : int(lines.size());
    std::optional<CallGenerator> generator;
    if (settings.generate > 0) {
        generator.emplace(settings.seed, settings.date);
        std::fprintf(stderr, "qalor-pbxsim: seed %u\n", settings.seed);
    }

    for (int i = 0; i < count; ++i) {
        if (i > 0 && !transmitter.pause(settings.everyMs))
            break;
        const QByteArray data =
            generator ? formatCdrLine(generator->next(QDateTime::currentDateTime()), defaultCdrLayout())
                      : lines.at(i);
        if (!transmitter.send(data))
            break;
    }
    if (stopRequested) {
        stopModem();
        std::fprintf(stderr, "qalor-pbxsim: stopped after %lld bytes\n",
                     static_cast<long long>(transmitter.sent()));
        return 130;
    }
    if (!line.lastError().isEmpty()) {
        stopModem();
        std::fprintf(stderr, "qalor-pbxsim: %s: %s\n", qPrintable(settings.device),
                     qPrintable(line.lastError()));
        return 1;
    }
    if (count > 0)
        std::fprintf(stderr, "qalor-pbxsim: sent %d lines (%lld bytes)\n", count,
                     static_cast<long long>(transmitter.sent()));

    if (settings.listenSeconds < 0)
        line.listenForever();
    else
        line.listenUntil(line.elapsedMs() + qint64(settings.listenSeconds) * 1000);
    stopModem();
    return line.lastError().isEmpty() ? 0 : 1;
}
