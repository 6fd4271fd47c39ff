#include "serial/PortLock.h"
#include "serial/SerialCommControl.h"
#include "serial/StreamBreak.h"

#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <cstring>

using namespace qalor;

namespace {
constexpr int LinkedPort = 3;
constexpr int MissingPort = 7;
constexpr int DevicePort = 9; // the linked device by its own name, not the link's
} // namespace

// The control against one end of a linked pseudo-terminal pair; the test
// plays the PBX on the other end.
class TestSerialComm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void portNumbersNameDevices();
    void readsAreLimitedByInputLen();
    void shortRemainderComesWhenQuiet();
    void noThresholdNoEvent();
    void closingDiscardsBufferedInput();
    void missingDeviceIsWaitedFor();
    void outputReachesTheOtherEnd();
    void deviceThatGoesAwayIsOpenedAgain();
    void oneReaderPerDevice();

private:
    void startLine();
    void stopLine();
    // Opens the control as the CDR port is armed.
    void arm(SerialCommControl& control, int threshold, int inputLen);
    void openPeer(QSerialPort& peer);

    QTemporaryDir m_dir;
    QProcess m_socat;
    QString m_ours;
    QString m_theirs;
};

void TestSerialComm::initTestCase()
{
    const QString socat = QStandardPaths::findExecutable(QStringLiteral("socat"));
    if (socat.isEmpty())
        QSKIP("socat is not installed");
    QVERIFY(m_dir.isValid());
    QCoreApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    QCoreApplication::setApplicationName(QStringLiteral("qalor"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       m_dir.filePath(QStringLiteral("config")));

    m_ours = m_dir.filePath(QStringLiteral("A"));
    m_theirs = m_dir.filePath(QStringLiteral("B"));
    startLine();

    QSettings settings;
    settings.setValue(QStringLiteral("SerialPorts/COM%1").arg(LinkedPort), m_ours);
    settings.setValue(QStringLiteral("SerialPorts/COM%1").arg(MissingPort),
                      m_dir.filePath(QStringLiteral("none")));
    settings.setValue(QStringLiteral("SerialPorts/COM%1").arg(DevicePort),
                      QFileInfo(m_ours).canonicalFilePath());
}

void TestSerialComm::cleanupTestCase()
{
    stopLine();
}

void TestSerialComm::startLine()
{
    m_socat.start(QStringLiteral("socat"), {QStringLiteral("-d"), QStringLiteral("-d"),
                                            QStringLiteral("pty,raw,echo=0,link=%1").arg(m_ours),
                                            QStringLiteral("pty,raw,echo=0,link=%1").arg(m_theirs)});
    QVERIFY(m_socat.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(m_ours) && QFileInfo::exists(m_theirs), 30000);
}

void TestSerialComm::stopLine()
{
    if (m_socat.state() == QProcess::NotRunning)
        return;
    m_socat.terminate();
    if (!m_socat.waitForFinished(3000))
        m_socat.kill();
}

void TestSerialComm::arm(SerialCommControl& control, int threshold, int inputLen)
{
    control.setCommPort(LinkedPort);
    control.setInBufferSize(16384);
    control.setRThreshold(threshold);
    control.setSThreshold(1);
    control.setInputLen(inputLen);
    control.setRTSEnable(true); // refused by a pseudo-terminal, which must not matter
    control.setDTREnable(true);
    control.setPortOpen(true);
    QVERIFY2(control.portOpen(), qPrintable(control.lastError()));
}

void TestSerialComm::openPeer(QSerialPort& peer)
{
    peer.setPortName(m_theirs);
    QVERIFY2(peer.open(QIODevice::ReadWrite), qPrintable(peer.errorString()));
}

void TestSerialComm::portNumbersNameDevices()
{
    QCOMPARE(serialDeviceForPort(LinkedPort), m_ours);
    QCOMPARE(serialDeviceForPort(1), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(serialDeviceForPort(12), QStringLiteral("/dev/ttyS11"));
    // The mapping is the workstation's per-user setting, nowhere else.
    const QString file = QSettings().fileName();
    QVERIFY(file.startsWith(m_dir.path()));
    QVERIFY(file.contains(QStringLiteral("Local AppWizard-Generated Applications")));
    QSettings reread(file, QSettings::NativeFormat);
    QCOMPARE(reread.value(QStringLiteral("SerialPorts/COM3")).toString(), m_ours);
}

void TestSerialComm::readsAreLimitedByInputLen()
{
    SerialCommControl control;
    arm(control, 10, 10);
    QStringList reads;
    connect(&control, &CommControl::comm, this, [&] {
        if (control.commEvent() == CommControl::ReceiveEvent)
            reads << control.input();
    });
    QSerialPort peer;
    openPeer(peer);

    const QByteArray sent = "0001 003 01 240315 ABCDEF 101500\r\n";
    peer.write(sent);
    QVERIFY(peer.waitForBytesWritten(1000));
    QTRY_COMPARE_WITH_TIMEOUT(reads.join(QString()), QString::fromLatin1(sent), 30000);
    // The line arrives at once: the first event comes with the threshold
    // reached, and the rest is handed out InputLen characters at a time.
    QCOMPARE(reads.first().size(), 10);
    for (const QString& read : reads)
        QVERIFY(!read.isEmpty() && read.size() <= 10);
    QCOMPARE(control.commEvent(), int(CommControl::NoEvent));
}

void TestSerialComm::shortRemainderComesWhenQuiet()
{
    SerialCommControl control;
    arm(control, 73, 73);
    QStringList reads;
    connect(&control, &CommControl::comm, this, [&] { reads << control.input(); });
    QSerialPort peer;
    openPeer(peer);
    peer.write("0002 tail");
    QVERIFY(peer.waitForBytesWritten(1000));
    QTRY_COMPARE_WITH_TIMEOUT(reads, QStringList{QStringLiteral("0002 tail")}, 30000);
}

void TestSerialComm::noThresholdNoEvent()
{
    // An empty layout gives threshold 0: characters are kept, never announced.
    SerialCommControl control;
    arm(control, 0, 0);
    int events = 0;
    connect(&control, &CommControl::comm, this, [&] { ++events; });
    QSerialPort peer;
    openPeer(peer);
    peer.write("0003 kept");
    QVERIFY(peer.waitForBytesWritten(1000));
    QString kept;
    QTRY_COMPARE_WITH_TIMEOUT((kept += control.input()), QStringLiteral("0003 kept"), 30000);
    QTest::qWait(200);
    QCOMPARE(events, 0);
}

void TestSerialComm::closingDiscardsBufferedInput()
{
    SerialCommControl control;
    arm(control, 100, 100);
    int events = 0;
    connect(&control, &CommControl::comm, this, [&] { ++events; }); // reads nothing
    QSerialPort peer;
    openPeer(peer);
    peer.write("0004 stale");
    QVERIFY(peer.waitForBytesWritten(1000));
    QTRY_COMPARE_WITH_TIMEOUT(events, 1, 30000);

    control.setPortOpen(false);
    QVERIFY(!control.portOpen());
    control.setPortOpen(true);
    QVERIFY(control.portOpen());
    QCOMPARE(control.input(), QString());

    peer.write("0005 fresh");
    QVERIFY(peer.waitForBytesWritten(1000));
    QTRY_COMPARE_WITH_TIMEOUT(events, 2, 30000);
    QCOMPARE(control.input(), QStringLiteral("0005 fresh"));
}

// A device that is not there when the port opens (an adapter that appears
// late at boot) is waited for: the port is open and says why the line is not
// up, tries again less and less often, and reads the device once it is there.
void TestSerialComm::missingDeviceIsWaitedFor()
{
    SerialCommControl control;
    control.setRetryPauses(20, 80);
    for (int port : {MissingPort, 200}) {
        control.setCommPort(port);
        control.setPortOpen(true);
        QVERIFY(control.portOpen());
        QCOMPARE(control.link(), CommControl::Link::Reconnecting);
        QVERIFY2(control.lastError().contains(QString::fromLocal8Bit(std::strerror(ENOENT))),
                 qPrintable(control.lastError()));
        // A port without its device takes output and reads without harm.
        control.output(QStringLiteral("ATDT1\r"));
        QCOMPARE(control.input(), QString());
        control.setPortOpen(false);
        QCOMPARE(control.link(), CommControl::Link::Closed);
    }

    control.setCommPort(MissingPort);
    control.setPortOpen(true);
    QTRY_COMPARE(control.retryPause(), 80);
    const QString far = m_dir.filePath(QStringLiteral("none-far"));
    QProcess late;
    late.start(QStringLiteral("socat"),
               {QStringLiteral("pty,raw,echo=0,link=") + m_dir.filePath(QStringLiteral("none")),
                QStringLiteral("pty,raw,echo=0,link=") + far});
    QVERIFY(late.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(control.link(), CommControl::Link::Open, 30000);
    QVERIFY(control.lastError().isEmpty());
    QSerialPort peer;
    peer.setPortName(far);
    QVERIFY2(peer.open(QIODevice::ReadWrite), qPrintable(peer.errorString()));
    peer.write("0008 late");
    QVERIFY(peer.waitForBytesWritten(30000));
    QString received;
    QTRY_COMPARE_WITH_TIMEOUT((received += control.input()), QStringLiteral("0008 late"), 30000);
    control.setPortOpen(false);
    peer.close();
    late.terminate();
    late.waitForFinished(5000);
}

void TestSerialComm::outputReachesTheOtherEnd()
{
    SerialCommControl control;
    arm(control, 73, 73);
    QSerialPort peer;
    openPeer(peer);
    QByteArray received;
    connect(&peer, &QSerialPort::readyRead, this, [&] { received += peer.readAll(); });
    control.output(QStringLiteral("CHG 2101 2\r"));
    control.output(QStringLiteral("ATDT*72\r"));
    QTRY_COMPARE_WITH_TIMEOUT(received, QByteArray("CHG 2101 2\rATDT*72\r"), 30000);
}

void TestSerialComm::deviceThatGoesAwayIsOpenedAgain()
{
    SerialCommControl control;
    arm(control, 0, 0);
    {
        QSerialPort peer;
        openPeer(peer);
        peer.write("0006 half");
        QVERIFY(peer.waitForBytesWritten(1000));
    }
    QTRY_COMPARE_WITH_TIMEOUT(control.link(), CommControl::Link::Open, 30000);
    // The half line has reached the port before the line goes: what is still
    // on a pseudo-terminal when it ends is lost whatever the port does.
    QString received;
    QTRY_VERIFY_WITH_TIMEOUT((received += control.input()).endsWith(QStringLiteral("0006 half")), 30000);

    // The line goes away (the pseudo-terminal pair ends, as an adapter that
    // is pulled out): the port stays open and waits for the device.
    stopLine();
    QTRY_COMPARE_WITH_TIMEOUT(control.link(), CommControl::Link::Reconnecting, 30000);
    QVERIFY(control.portOpen());
    QVERIFY(!control.lastError().isEmpty());
    control.output(QStringLiteral("dropped\r")); // nowhere to go, no harm

    // Back: opened again by itself; the half line is kept, and what comes
    // now follows a break mark.
    startLine();
    QTRY_COMPARE_WITH_TIMEOUT(control.link(), CommControl::Link::Open, 30000);
    QVERIFY(control.lastError().isEmpty());
    QSerialPort peer;
    openPeer(peer);
    peer.write("0007 back");
    QVERIFY(peer.waitForBytesWritten(30000));
    QTRY_VERIFY_WITH_TIMEOUT((received += control.input()).endsWith(QStringLiteral("0007 back")), 30000);
    QCOMPARE(received, QStringLiteral("0006 half") + QChar(StreamBreak) + QStringLiteral("0007 back"));

    // Closed by the user: no more attempts.
    control.setPortOpen(false);
    QCOMPARE(control.link(), CommControl::Link::Closed);
}

// One reader per device, whatever name it is opened by: a second control
// (another program; a lock taken twice in one process refuses the same way)
// finds it taken and stays closed, and reads it once the first lets go.
void TestSerialComm::oneReaderPerDevice()
{
    SerialCommControl first;
    arm(first, 0, 0);
    SerialCommControl second;
    int changes = 0;
    connect(&second, &CommControl::linkChanged, this, [&] { ++changes; });
    for (int port : {LinkedPort, DevicePort}) {
        second.setCommPort(port);
        second.setPortOpen(true);
        QVERIFY(!second.portOpen());
        QVERIFY(second.takenByOther());
        QCOMPARE(second.lastError(), PortLock::takenText());
    }
    QCOMPARE(changes, 0);
    // Taken is not tried again: the first keeps reading alone.
    QTest::qWait(1500);
    QVERIFY(!second.portOpen());

    first.setPortOpen(false);
    second.setPortOpen(true);
    QVERIFY2(second.portOpen(), qPrintable(second.lastError()));
    QVERIFY(!second.takenByOther());
    QCOMPARE(second.link(), CommControl::Link::Open);
    QCOMPARE(changes, 1);
}

QTEST_GUILESS_MAIN(TestSerialComm)
#include "tst_serialcomm.moc"
