#include "CdrLines.h"
#include "FakeDeviceServer.h"
#include "RecordingPrompt.h"
#include "Sandbox.h"
#include "TestDatabase.h"

#include "app/CMainFrame.h"
#include "app/CQalorView.h"
#include "app/PortDialog.h"
#include "intake/LineAssembler.h"
#include "intake/LineJournal.h"
#include "receiving/CallIntake.h"
#include "receiving/RepeatDetector.h"
#include "receiving/UnframedKeeper.h"
#include "serial/StreamBreak.h"
#include "station/AppState.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace qalor;
using namespace qalor::test;

namespace {

QString extensionFor(int i)
{
    return QStringLiteral("8%1").arg(i % 16 + 1, 3, 10, QLatin1Char('0'));
}

QString portStatus(const CMainFrame& frame)
{
    for (const QLabel* label : frame.findChildren<QLabel*>())
        if (label->objectName() == QStringLiteral("串口状态"))
            return label->text();
    return QString();
}

// The dialled numbers stored, sorted.
QStringList storedNumbers(const TestDatabase& db)
{
    return db.column(QStringLiteral("SELECT 被叫号 FROM 话费表 ORDER BY 被叫号"));
}

QStringList numbersOf(const QList<int>& calls)
{
    QStringList numbers;
    for (int i : calls)
        numbers << mobileCall(i).dialled;
    numbers.sort();
    return numbers;
}

} // namespace

// The whole intake with COM1 mapped to a serial device server on the
// loopback interface: the test plays the device server.
class TestViewTcp : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void callsArriveInRandomChunks();
    void droppedConnectionLosesAndInventsNothing();
    void lineSentAgainAfterReconnectIsStoredOnce();
    void portDialogShowsWhatTheNumberMapsTo();

private:
    FakeDeviceServer m_server;
};

void TestViewTcp::initTestCase()
{
    QVERIFY(m_server.listen());
    QSettings().setValue(QStringLiteral("SerialPorts/COM1"), m_server.address());
}

void TestViewTcp::callsArriveInRandomChunks()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    db.execute(QStringLiteral("UPDATE CDRSave SET 是否保存CDR=1"));
    const int acceptedBefore = m_server.accepted;
    CMainFrame frame(AppState::instance());
    frame.initialUpdate();
    QTRY_COMPARE(m_server.accepted, acceptedBefore + 1);
    QTRY_COMPARE(portStatus(frame), QStringLiteral("串口1 已连接"));

    // 150 calls, every tenth traced: kept raw, never priced.
    QString text;
    QList<int> priced;
    for (int i = 0; i < 150; ++i) {
        CdrCall call = mobileCall(i, extensionFor(i));
        if (i % 10 == 9)
            call.trace = QStringLiteral("0042");
        else
            priced << i;
        text += call.line();
    }
    const QByteArray bytes = text.toLatin1();
    qsizetype at = 0;
    for (int size : randomChunks(bytes.size(), 200, 2027)) {
        m_server.send(bytes.mid(at, size));
        at += size;
        QTest::qWait(QRandomGenerator::global()->bounded(0, 3));
    }
    QTRY_COMPARE_WITH_TIMEOUT(db.scalar(QStringLiteral("SELECT COUNT(*) FROM cdr表")).toInt(), 150, 60000);
    QTRY_COMPARE_WITH_TIMEOUT(storedNumbers(db), numbersOf(priced), 60000);

    // The class change's administration dialogue goes back over the same
    // connection.
    m_server.received.clear();
    frame.view().cdrPort().output(QStringLiteral("LOGIN\r"));
    frame.view().cdrPort().output(QStringLiteral("CHG 8001 2\r"));
    QTRY_COMPARE(m_server.received, QByteArray("LOGIN\rCHG 8001 2\r"));
    QVERIFY2(prompt.texts.isEmpty(), qPrintable(prompt.texts.join(QLatin1Char('\n'))));
}

void TestViewTcp::droppedConnectionLosesAndInventsNothing()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    const int acceptedBefore = m_server.accepted;
    CMainFrame frame(AppState::instance());
    frame.initialUpdate();
    QTRY_COMPARE(m_server.accepted, acceptedBefore + 1);

    // Ten calls and the first 40 characters of the eleventh, then the device
    // server goes away at once and does not answer for a while.
    QString before = mobileLines(10);
    const QString cutShort = mobileCall(10).line().left(40);
    m_server.send((before + cutShort).toLatin1());
    m_server.drop();
    m_server.stopListening();
    QTRY_COMPARE_WITH_TIMEOUT(portStatus(frame), QStringLiteral("串口1 已断开，正在重连"), 5000);
    QTRY_COMPARE(storedNumbers(db), numbersOf({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));

    // It comes back on the same address and carries on with the tail of a
    // different call, which would fit the 40 characters to a well-framed
    // line, then whole calls. The tail is noise; the calls are priced.
    QVERIFY(m_server.listen());
    QTRY_COMPARE_WITH_TIMEOUT(m_server.accepted, acceptedBefore + 2, 20000);
    QTRY_COMPARE(portStatus(frame), QStringLiteral("串口1 已连接"));
    const QString tail = mobileCall(11).line().mid(40);
    m_server.send((tail + mobileLines(5, 12)).toLatin1());
    QTRY_COMPARE(storedNumbers(db), numbersOf({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 13, 14, 15, 16}));
    QTest::qWait(200);
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")).toInt(), 15);

    // The cut-off start and the tail are kept aside, each on its own (the
    // start with the break that ended it), and the user is told once.
    QStringList kept;
    for (const LineJournal::Entry& entry : LineJournal(UnframedKeeper::journalPath()).entries())
        kept << entry.text;
    QCOMPARE(kept, (QStringList{cutShort + QChar(StreamBreak), tail}));
    // Cutting the kept text again (after a layout change) still finds no
    // line in it: the break travels with the start.
    LineAssembler again(frame.view().engine().cdrLineLength());
    QCOMPARE(again.feed(kept.join(QString())), QStringList());
    QCOMPARE(prompt.texts.size(), 1);
    QVERIFY(prompt.texts.first().contains(QStringLiteral("已另行保存")));
}

void TestViewTcp::lineSentAgainAfterReconnectIsStoredOnce()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    const int acceptedBefore = m_server.accepted;
    CMainFrame frame(AppState::instance());
    frame.initialUpdate();
    QTRY_COMPARE(m_server.accepted, acceptedBefore + 1);

    // Five calls and the sixth up to its carriage return: the connection
    // drops before the line feed. The workstation connects again at once.
    QString five;
    for (int i = 100; i < 105; ++i)
        five += mobileCall(i).line();
    const QString sixth = mobileCall(105).line();
    m_server.send((five + sixth.chopped(1)).toLatin1());
    m_server.drop();
    QTRY_COMPARE_WITH_TIMEOUT(m_server.accepted, acceptedBefore + 2, 20000);
    QTRY_COMPARE(portStatus(frame), QStringLiteral("串口1 已连接"));
    QTRY_COMPARE(storedNumbers(db), numbersOf({100, 101, 102, 103, 104, 105}));

    // The device server had not seen the sixth line through and sends it
    // again, then a new call, then one that differs from the sixth only in
    // its times (a call of its own).
    CdrCall later = mobileCall(105);
    later.start = QStringLiteral("094000");
    later.end = QStringLiteral("094130");
    m_server.send((sixth + mobileCall(106).line() + later.line()).toLatin1());
    QTRY_COMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")).toInt(), 8);
    QCOMPARE(storedNumbers(db), numbersOf({100, 101, 102, 103, 104, 105, 105, 106}));
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表 WHERE 时间='094000'")).toInt(), 1);

    // The repeat is noted, not priced.
    const QList<LineJournal::Entry> repeats = LineJournal(RepeatDetector::notesPath()).entries();
    QCOMPARE(repeats.size(), 1);
    QVERIFY2(repeats.first().text.endsWith(sixth), qPrintable(repeats.first().text));
    QVERIFY2(prompt.texts.isEmpty(), qPrintable(prompt.texts.join(QLatin1Char('\n'))));
}

void TestViewTcp::portDialogShowsWhatTheNumberMapsTo()
{
    TestDatabase db;
    RecordingPrompt prompt;
    db.execute(QStringLiteral("UPDATE 串口表 SET 串口号=1"));
    PortDialog dialog;
    QCOMPARE(dialog.portEdit()->text(), QStringLiteral("1"));
    QCOMPARE(dialog.mappingText(), m_server.address());
    dialog.portEdit()->setText(QStringLiteral("2"));
    QCOMPARE(dialog.mappingText(), QStringLiteral("/dev/ttyS1"));
    dialog.portEdit()->setText(QStringLiteral("5"));
    QCOMPARE(dialog.mappingText(), QString());
}

int main(int argc, char** argv)
{
    return runInSandbox<TestViewTcp>(argc, argv);
}

#include "tst_view_tcp.moc"
