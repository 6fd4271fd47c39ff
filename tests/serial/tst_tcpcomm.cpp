#include "FakeDeviceServer.h"

#include "serial/MappedCommControl.h"
#include "serial/StreamBreak.h"
#include "serial/TcpCommControl.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace qalor;
using qalor::test::FakeDeviceServer;

namespace {
constexpr int NetworkPort = 5;
constexpr int SerialPort = 6;
const QString Break(QChar{StreamBreak});

void mapPort(int port, const QString& mapping)
{
    QSettings().setValue(QStringLiteral("SerialPorts/COM%1").arg(port), mapping);
}

// Starts the device server and maps the network port to it.
bool serve(FakeDeviceServer& server)
{
    if (!server.listen())
        return false;
    mapPort(NetworkPort, server.address());
    return true;
}

// Everything the control holds now.
QString readAll(CommControl& control)
{
    QString text;
    for (QString chunk = control.input(); !chunk.isEmpty(); chunk = control.input())
        text += chunk;
    return text;
}
} // namespace

// The control on a serial device server: the test plays the server on the
// loopback interface.
class TestTcpComm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void addressesAreChecked_data();
    void addressesAreChecked();
    void linesArriveAndOutputGoesBack();
    void arrivalIsToldAsItIsRead();
    void reconnectKeepsWhatWasReceived();
    void refusedConnectionIsRetriedWithGrowingPause();
    void longConnectionStartsThePausesAgain();
    void connectionThatCarriedDataStartsThePausesAgain();
    void oneReaderPerAddress();
    void closingEndsTheConnection();
    void malformedAddressDoesNotOpen();
    void mappedControlFollowsTheSetting();

private:
    // Opens the control as the CDR port is armed, with short pauses.
    void arm(TcpCommControl& control, int threshold);

    QTemporaryDir m_dir;
};

void TestTcpComm::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QCoreApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    QCoreApplication::setApplicationName(QStringLiteral("qalor"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       m_dir.filePath(QStringLiteral("config")));
    mapPort(SerialPort, m_dir.filePath(QStringLiteral("no-such-device")));
}

void TestTcpComm::arm(TcpCommControl& control, int threshold)
{
    control.setRetryPauses(20, 160);
    control.setCommPort(NetworkPort);
    control.setInBufferSize(16384);
    control.setRThreshold(threshold);
    control.setInputLen(threshold);
    control.setPortOpen(true);
    QVERIFY2(control.portOpen(), qPrintable(control.lastError()));
}

void TestTcpComm::addressesAreChecked_data()
{
    QTest::addColumn<QString>("mapping");
    QTest::addColumn<bool>("network");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addRow("IPv4") << "tcp://192.168.1.20:4001" << true << true << "192.168.1.20" << 4001;
    QTest::addRow("host name, upper-case scheme") << "TCP://pbx-cdr:950" << true << true << "pbx-cdr" << 950;
    QTest::addRow("IPv6") << "tcp://[::1]:4001" << true << true << "::1" << 4001;
    QTest::addRow("highest port") << "tcp://h:65535" << true << true << "h" << 65535;
    QTest::addRow("port 0") << "tcp://h:0" << true << false << "" << 0;
    QTest::addRow("port too high") << "tcp://h:65536" << true << false << "" << 0;
    QTest::addRow("no port") << "tcp://h" << true << false << "" << 0;
    QTest::addRow("no host") << "tcp://:4001" << true << false << "" << 0;
    QTest::addRow("a path") << "tcp://h:4001/x" << true << false << "" << 0;
    QTest::addRow("serial device") << "/dev/ttyUSB0" << false << false << "" << 0;
    QTest::addRow("other scheme") << "udp://h:4001" << false << false << "" << 0;
}

void TestTcpComm::addressesAreChecked()
{
    QFETCH(QString, mapping);
    QFETCH(bool, network);
    QFETCH(bool, valid);
    QCOMPARE(isTcpMapping(mapping), network);
    TcpAddress address;
    QCOMPARE(parseTcpAddress(mapping, address), valid);
    if (valid) {
        QTEST(address.host, "host");
        QTEST(int(address.port), "port");
    }
}

void TestTcpComm::linesArriveAndOutputGoesBack()
{
    FakeDeviceServer server;
    QVERIFY(serve(server));
    TcpCommControl control;
    QString read;
    connect(&control, &CommControl::comm, this, [&] {
        if (control.commEvent() == CommControl::ReceiveEvent)
            read += readAll(control);
    });
    arm(control, 10);
    QTRY_VERIFY(server.connected());
    QTRY_COMPARE(control.link(), CommControl::Link::Connected);

    // A full read and a short tail that comes when the line goes quiet; the
    // connection starts with a break.
    server.send("0001 003 01 240315\r\n0002 tail");
    QTRY_COMPARE(read, Break + QStringLiteral("0001 003 01 240315\r\n0002 tail"));

    control.output(QStringLiteral("CHG 2101 2\r"));
    control.output(QStringLiteral("LOGOUT\r"));
    QTRY_COMPARE(server.received, QByteArray("CHG 2101 2\rLOGOUT\r"));
}

namespace {
// Counts the queued calls delivered to an object.
class QueuedCalls : public QObject
{
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::MetaCall)
            ++count;
        return false;
    }
};
} // namespace

// A reader that journals what it takes is told inside the read itself,
// before anything queued runs: killed after the read, it has lost nothing.
void TestTcpComm::arrivalIsToldAsItIsRead()
{
    FakeDeviceServer server;
    QVERIFY(serve(server));
    TcpCommControl control;
    QueuedCalls queued;
    control.installEventFilter(&queued);
    QString taken;
    int queuedBeforeTold = -1;
    connect(&control, &CommControl::arrived, this, [&] {
        if (queuedBeforeTold < 0)
            queuedBeforeTold = queued.count;
        taken += control.input();
    });
    arm(control, 1000);
    QTRY_COMPARE(control.link(), CommControl::Link::Connected);
    QTRY_COMPARE(taken, Break);
    queuedBeforeTold = -1;
    queued.count = 0;
    server.send("0001 head");
    QTRY_COMPARE(taken, Break + QStringLiteral("0001 head"));
    QCOMPARE(queuedBeforeTold, 0);
}

void TestTcpComm::reconnectKeepsWhatWasReceived()
{
    FakeDeviceServer server;
    QVERIFY(serve(server));
    TcpCommControl control;
    int events = 0;
    connect(&control, &CommControl::comm, this, [&] { ++events; }); // reads nothing
    arm(control, 100);
    QTRY_VERIFY(server.connected());

    // The server sends and hangs up at once: all it sent is kept, unread.
    server.send("0001 first half");
    server.drop();
    QTRY_COMPARE(server.accepted, 2);
    QTRY_COMPARE(control.link(), CommControl::Link::Connected);
    QTRY_VERIFY(events >= 1);
    control.output(QStringLiteral("X\r")); // goes over the new connection
    QTRY_COMPARE(server.received, QByteArray("X\r"));
    server.send("0002 whole\r\n");
    QString read;
    QTRY_COMPARE((read += readAll(control)),
                 Break + QStringLiteral("0001 first half") + Break + QStringLiteral("0002 whole\r\n"));
}

void TestTcpComm::refusedConnectionIsRetriedWithGrowingPause()
{
    FakeDeviceServer server;
    QVERIFY(serve(server));
    server.stopListening();

    TcpCommControl control;
    arm(control, 10);
    // Open while nobody answers: the port waits and tries again, the pause
    // doubling from 20 ms up to 160 ms and staying there.
    QCOMPARE(control.link(), CommControl::Link::Reconnecting);
    QTRY_COMPARE(control.retryPause(), 160);
    QVERIFY(!control.lastError().isEmpty());
    // Output while the connection is down is not kept for later.
    control.output(QStringLiteral("LOST\r"));

    QVERIFY(server.listen());
    QTRY_COMPARE_WITH_TIMEOUT(control.link(), CommControl::Link::Connected, 3000);
    QVERIFY(control.lastError().isEmpty());
    control.output(QStringLiteral("SENT\r"));
    QTRY_COMPARE(server.received, QByteArray("SENT\r"));
}

// A connection that stayed up longer than the longest pause is tried again
// after the first pause when it drops, not after the longest.
void TestTcpComm::longConnectionStartsThePausesAgain()
{
    FakeDeviceServer server;
    QVERIFY(serve(server));
    server.stopListening();
    TcpCommControl control;
    arm(control, 10);
    QTRY_COMPARE(control.retryPause(), 160);
    QVERIFY(server.listen());
    QTRY_COMPARE_WITH_TIMEOUT(control.link(), CommControl::Link::Connected, 30000);
    const int accepted = server.accepted;
    QElapsedTimer up;
    up.start();
    QVERIFY(QTest::qWaitFor([&] { return up.elapsed() > 400; }, 30000));

    // Dropped while the server still listens: the one retry that follows
    // connects, and the pause it was started with is the first one (the
    // next would be twice that).
    server.drop();
    QTRY_COMPARE_WITH_TIMEOUT(server.accepted, accepted + 1, 30000);
    QCOMPARE(control.retryPause(), 40);
}

// A device server restarted again and again (ser2net): each drop of a
// connection that carried data is followed by the first pause, however
// short the connection was, and the drop and the return are each told.
void TestTcpComm::connectionThatCarriedDataStartsThePausesAgain()
{
    FakeDeviceServer server;
    QVERIFY(serve(server));
    server.stopListening();
    TcpCommControl control;
    arm(control, 0);
    control.setRetryPauses(20, 640);
    QTRY_COMPARE_WITH_TIMEOUT(control.retryPause(), 640, 30000);
    QList<CommControl::Link> told;
    connect(&control, &CommControl::linkChanged, this, [&] { told << control.link(); });
    QVERIFY(server.listen());
    QTRY_COMPARE_WITH_TIMEOUT(control.link(), CommControl::Link::Connected, 30000);
    server.send("0009 some");
    QString got;
    QTRY_VERIFY((got += readAll(control)).endsWith(QStringLiteral("0009 some")));
    const int accepted = server.accepted;
    server.drop();
    QTRY_COMPARE_WITH_TIMEOUT(server.accepted, accepted + 1, 30000);
    QCOMPARE(control.retryPause(), 40);
    QTRY_COMPARE(told.value(told.size() - 1), CommControl::Link::Connected);
    QVERIFY(told.contains(CommControl::Link::Reconnecting));
}

// One reader per device server port on this machine: a second control
// (another program) finds the address taken and stays closed.
void TestTcpComm::oneReaderPerAddress()
{
    FakeDeviceServer server;
    QVERIFY(serve(server));
    TcpCommControl first;
    arm(first, 0);
    TcpCommControl second;
    second.setCommPort(NetworkPort);
    second.setPortOpen(true);
    QVERIFY(!second.portOpen());
    QVERIFY(second.takenByOther());
    QTRY_COMPARE(server.accepted, 1);
    first.setPortOpen(false);
    second.setPortOpen(true);
    QVERIFY(second.portOpen());
    QVERIFY(!second.takenByOther());
}

void TestTcpComm::closingEndsTheConnection()
{
    FakeDeviceServer server;
    QVERIFY(serve(server));
    TcpCommControl control;
    int events = 0;
    connect(&control, &CommControl::comm, this, [&] { ++events; }); // reads nothing
    arm(control, 100);
    QTRY_VERIFY(server.connected());
    server.send("0003 stale");
    QTRY_COMPARE(events, 1);

    control.setPortOpen(false);
    QCOMPARE(control.link(), CommControl::Link::Closed);
    QTRY_VERIFY(!server.connected());
    // Closing discards what was buffered, and no new connection follows.
    QCOMPARE(control.input(), QString());
    QTest::qWait(200);
    QCOMPARE(server.accepted, 1);
}

void TestTcpComm::malformedAddressDoesNotOpen()
{
    mapPort(NetworkPort, QStringLiteral("tcp://pbx-cdr"));
    TcpCommControl control;
    control.setCommPort(NetworkPort);
    control.setPortOpen(true);
    QVERIFY(!control.portOpen());
    QCOMPARE(control.link(), CommControl::Link::Closed);
    QVERIFY(!control.lastError().isEmpty());
}

void TestTcpComm::mappedControlFollowsTheSetting()
{
    FakeDeviceServer server;
    QVERIFY(serve(server));
    MappedCommControl control;
    QStringList reads;
    connect(&control, &CommControl::comm, this, [&] { reads << readAll(control); });
    control.setRThreshold(4);
    control.setInputLen(4);

    // The serial device of port 6 is missing (waited for); port 5 is on the
    // network. The mapping is looked up at each open.
    control.setCommPort(SerialPort);
    control.setPortOpen(true);
    QVERIFY(!control.lastError().isEmpty());
    QCOMPARE(control.link(), CommControl::Link::Reconnecting);
    control.setPortOpen(false);

    control.setCommPort(NetworkPort);
    control.setPortOpen(true);
    QVERIFY(control.portOpen());
    QTRY_COMPARE(control.link(), CommControl::Link::Connected);
    server.send("0004 via network\r\n");
    QTRY_COMPARE(reads.join(QString()), Break + QStringLiteral("0004 via network\r\n"));
    control.output(QStringLiteral("BACK\r"));
    QTRY_COMPARE(server.received, QByteArray("BACK\r"));

    control.setPortOpen(false);
    control.setCommPort(SerialPort);
    control.setPortOpen(true);
    QCOMPARE(control.link(), CommControl::Link::Reconnecting); // waits for the device
    QTest::qWait(100);
    QCOMPARE(server.accepted, 1);
}

QTEST_GUILESS_MAIN(TestTcpComm)
#include "tst_tcpcomm.moc"
