#include "ByteRecorder.h"
#include "RecordingPrompt.h"

#include "hotel/CLevelChanger.h"
#include "hotel/ClassChangeSender.h"
#include "hotel/HotelSettings.h"
#include "serial/SerialCommControl.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace qalor;
using namespace qalor::test;
using pbxsim::ByteRecorder;

namespace {

QTemporaryDir& sandbox()
{
    static QTemporaryDir dir;
    return dir;
}

// The simulator's reader wakes up a little after bytes arrive; on a busy
// machine two wake-ups differ by several milliseconds, so a gap measured at
// the far end may fall short of the pause by that much. The sender's own
// timing is checked exactly on a fake port (tst_classchange).
constexpr double ReaderLatencyMs = 20.0;

HotelSettings settings()
{
    HotelSettings s;
    s.modemPort = 2;
    s.userName = QStringLiteral("admin");
    s.password = QStringLiteral("pw");
    s.database = QStringLiteral("A");
    s.lowestClass = 7;
    s.defaultCode = QStringLiteral("A0");
    s.domesticCode = QStringLiteral("A2");
    s.internationalCode = QStringLiteral("A3");
    return s;
}

struct Write
{
    QByteArray bytes;
    int pauseMs;
};

// The exchange simulator on the far ends of both lines, recording what arrives.
class Exchange
{
public:
    explicit Exchange(const QString& dir) : m_record(dir + QStringLiteral("/record.log"))
    {
        m_sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_sim.start(QStringLiteral(QALOR_PBXSIM),
                    {QStringLiteral("--device"), dir + QStringLiteral("/pbx"), QStringLiteral("--modem"),
                     dir + QStringLiteral("/modem"), QStringLiteral("--record"), m_record,
                     QStringLiteral("--listen"), QStringLiteral("120")});
    }
    ~Exchange()
    {
        if (m_sim.state() != QProcess::NotRunning) {
            m_sim.kill();
            m_sim.waitForFinished(5000);
        }
    }
    // Started with both lines open and set up: a byte written before that
    // may be lost (a leading Ctrl-C meets the line before it is raw).
    bool started()
    {
        QByteArray said;
        const auto ready = [&] {
            said += m_sim.readAllStandardOutput();
            return said.contains("ready\n");
        };
        return m_sim.waitForStarted(5000) && QTest::qWaitFor(ready, 20000);
    }

    // Stops the simulator and reads what it recorded on one line.
    QList<ByteRecorder::Entry> stop(const QString& line)
    {
        m_sim.terminate();
        m_sim.waitForFinished(10000);
        QList<ByteRecorder::Entry> entries;
        QFile file(m_record);
        if (!file.open(QIODevice::ReadOnly))
            return entries;
        for (const QByteArray& text : file.readAll().split('\n')) {
            ByteRecorder::Entry entry;
            if (ByteRecorder::parse(QString::fromUtf8(text), entry) && entry.line == line)
                entries.append(entry);
        }
        return entries;
    }

private:
    QProcess m_sim;
    QString m_record;
};

QByteArray joined(const QList<ByteRecorder::Entry>& entries)
{
    QByteArray bytes;
    for (const auto& entry : entries)
        bytes += entry.bytes;
    return bytes;
}

// When the byte at the offset arrived.
double arrival(const QList<ByteRecorder::Entry>& entries, qsizetype offset)
{
    for (const auto& entry : entries) {
        if (offset < entry.bytes.size())
            return entry.ms;
        offset -= entry.bytes.size();
    }
    return -1;
}

bool runChange(ClassChangeSender& sender, const ClassChangeJob& job)
{
    QSignalSpy finished(&sender, &ClassChangeSender::changeFinished);
    sender.enqueue(job);
    return finished.wait(60000) && finished.first().first().toBool();
}

} // namespace

// Class changes through real pseudo-terminals: the CDR line and a second one
// for the modem, the exchange simulator recording both.
class TestClassChangePty : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void modemDialStrings();
    void dcaDialogueKeepsEveryPause();

private:
    QProcess m_cdrPair;
    QProcess m_modemPair;
};

void TestClassChangePty::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty())
        QSKIP("socat is not installed");
    const QString dir = sandbox().path();
    const auto pair = [&](QProcess& socat, const QString& far, const QString& near) {
        socat.start(QStringLiteral("socat"), {QStringLiteral("pty,raw,echo=0,link=") + dir + far,
                                              QStringLiteral("pty,raw,echo=0,link=") + dir + near});
        return socat.waitForStarted();
    };
    QVERIFY(pair(m_cdrPair, QStringLiteral("/pbx"), QStringLiteral("/com1")));
    QVERIFY(pair(m_modemPair, QStringLiteral("/modem"), QStringLiteral("/com2")));
    QTRY_VERIFY_WITH_TIMEOUT(
        QFile::exists(dir + QStringLiteral("/com1")) && QFile::exists(dir + QStringLiteral("/com2")), 10000);
    QSettings().setValue(QStringLiteral("SerialPorts/COM1"), dir + QStringLiteral("/com1"));
    QSettings().setValue(QStringLiteral("SerialPorts/COM2"), dir + QStringLiteral("/com2"));
}

void TestClassChangePty::cleanupTestCase()
{
    for (QProcess* socat : {&m_cdrPair, &m_modemPair}) {
        if (socat->state() != QProcess::NotRunning) {
            socat->terminate();
            socat->waitForFinished(5000);
        }
    }
}

void TestClassChangePty::modemDialStrings()
{
    RecordingPrompt prompt;
    Exchange exchange(sandbox().path());
    QVERIFY(exchange.started());
    SerialCommControl cdr;
    cdr.setCommPort(1);
    cdr.setPortOpen(true);
    QVERIFY(cdr.portOpen());
    ClassChangeSender sender(cdr, [] { return std::make_unique<SerialCommControl>(); });
    sender.setPauseScale(0.01);

    HotelSettings modem = settings();
    modem.viaModem = 1;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(runChange(sender, ClassChangeJob::forChangeList(
                                  ChangeForm::CheckIn, QStringLiteral("8101,2 国内长途,8102,3 国际长途,"),
                                  modem, CLevelChanger())));
    // 4 s + 2 × 6.5 s at a hundredth.
    QVERIFY(clock.elapsed() >= 170);
    // The prefix rows 8 → 98 and 81 → 981: the first in sort order wins.
    QVERIFY(runChange(
        sender, ClassChangeJob::forStation(QStringLiteral("8101"), 0, modem,
                                           CLevelChanger({{QStringLiteral("8"), QStringLiteral("98")},
                                                          {QStringLiteral("81"), QStringLiteral("981")}}))));
    // Rows after an empty 分机号头 are not read.
    QVERIFY(runChange(
        sender, ClassChangeJob::forStation(QStringLiteral("8101"), 0, modem,
                                           CLevelChanger({{QStringLiteral("7"), QStringLiteral("97")},
                                                          {QString(), QStringLiteral("0")},
                                                          {QStringLiteral("8"), QStringLiteral("98")}}))));
    QTest::qWait(100);
    const auto entries = exchange.stop(QStringLiteral("MODEM"));
    QCOMPARE(joined(entries), QByteArray("atdtA28101,,,A38102\ratdtA098101\ratdtA08101\r"));
    QCOMPARE(joined(exchange.stop(QStringLiteral("CDR"))), QByteArray());
    QCOMPARE(prompt.texts, QStringList());
}

void TestClassChangePty::dcaDialogueKeepsEveryPause()
{
    RecordingPrompt prompt;
    Exchange exchange(sandbox().path());
    QVERIFY(exchange.started());
    SerialCommControl cdr;
    cdr.setCommPort(1);
    cdr.setPortOpen(true);
    QVERIFY(cdr.portOpen());
    ClassChangeSender sender(cdr, nullptr);
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(100);

    // At full length: the check-out of one room.
    QVERIFY(runChange(sender, ClassChangeJob::forChangeList(ChangeForm::CheckOut, QStringLiteral("8101,"),
                                                            settings(), CLevelChanger())));
    ticker.stop();
    QList<Write> writes{{"\x03", 200},  {"admin\r", 200},  {"pw\r", 200}, {"edt\r", 100}, {"select A\r", 200},
                        {"ext\r", 100}, {"m 8101\r", 100}, {"\r", 100},   {"\r", 100},    {"7\r", 100}};
    for (int i = 0; i < 12; ++i)
        writes.append({"\r", 100});
    writes.last().pauseMs = 200; // the edit block's own closing 100 ms
    writes += QList<Write>{{"exit\r", 100}, {"save\r", 600}, {"exit\r", 100}, {"exit\r", 0}};

    QTest::qWait(100);
    const auto entries = exchange.stop(QStringLiteral("CDR"));
    QByteArray expected;
    for (const Write& write : writes)
        expected += write.bytes;
    QCOMPARE(joined(entries), expected);
    qsizetype offset = 0;
    for (qsizetype i = 0; i + 1 < writes.size(); ++i) {
        const double sent = arrival(entries, offset);
        offset += writes.at(i).bytes.size();
        const double gap = arrival(entries, offset) - sent;
        QVERIFY2(gap >= writes.at(i).pauseMs - ReaderLatencyMs,
                 qPrintable(QStringLiteral("after write %1: %2 ms").arg(i).arg(gap)));
    }
    // The whole dialogue took at least the sum of its pauses.
    int total = 0;
    for (const Write& write : writes)
        total += write.pauseMs;
    QVERIFY(arrival(entries, expected.size() - 1) - arrival(entries, 0) >= total - ReaderLatencyMs);
    // The event loop went on all along (about 35 ticks in 3.5 s).
    QVERIFY2(ticks >= 25, qPrintable(QString::number(ticks)));
    QCOMPARE(prompt.texts, QStringList());
}

int main(int argc, char** argv)
{
    if (!sandbox().isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(sandbox().path() + QStringLiteral("/config")));
    QCoreApplication app(argc, argv);
    TestClassChangePty test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_classchange_pty.moc"
