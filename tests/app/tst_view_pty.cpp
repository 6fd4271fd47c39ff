#include "CdrLines.h"
#include "RecordingPrompt.h"
#include "Sandbox.h"
#include "StoredCalls.h"
#include "TestDatabase.h"

#include "app/CQalorView.h"
#include "receiving/ReceivedCallsModel.h"
#include "serial/CommControl.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <functional>
#include <utility>

using namespace qalor;
using namespace qalor::test;

namespace {

int countRows(const TestDatabase& db, const QString& table)
{
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table).toInt();
}

} // namespace

// The whole intake through a real pseudo-terminal pair: the test plays the
// PBX on one end, the view's serial control reads the other.
class TestViewPty : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void callsArriveThroughTheSerialLine();
    void messageBoxDoesNotStopIntake();
    void trunkEditorLeavesTheLineOpen();
    void deviceThatComesLater();

private:
    QProcess m_socat;
    QString m_pbx;
};

void TestViewPty::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty())
        QSKIP("socat is not installed");
    const QString dir = sandbox().path();
    m_pbx = dir + QStringLiteral("/pbx");
    const QString line = dir + QStringLiteral("/qalor");
    m_socat.start(QStringLiteral("socat"),
                  {QStringLiteral("-d"), QStringLiteral("-d"), QStringLiteral("pty,raw,echo=0,link=") + m_pbx,
                   QStringLiteral("pty,raw,echo=0,link=") + line});
    QVERIFY(m_socat.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_pbx) && QFile::exists(line), 10000);
    QSettings().setValue(QStringLiteral("SerialPorts/COM1"), line);
}

void TestViewPty::cleanupTestCase()
{
    if (m_socat.state() != QProcess::NotRunning) {
        m_socat.terminate();
        m_socat.waitForFinished(5000);
    }
}

void TestViewPty::callsArriveThroughTheSerialLine()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    db.execute(QStringLiteral("UPDATE CDRSave SET 是否保存CDR=1"));
    CQalorView view;
    view.initialUpdate();
    QVERIFY2(view.cdrPort().portOpen(), qPrintable(prompt.texts.join(QLatin1Char('\n'))));

    // 200 calls, every tenth traced and every fifteenth unanswered: both are
    // kept raw but never priced.
    QString text;
    int priced = 0;
    int lastPriced = -1;
    for (int i = 0; i < 200; ++i) {
        CdrCall call = mobileCall(i, QStringLiteral("8%1").arg(i % 16 + 1, 3, 10, QLatin1Char('0')));
        if (i % 10 == 9)
            call.trace = QStringLiteral("0042");
        else if (i % 15 == 14)
            call.start = QStringLiteral("000000");
        else
            ++priced, lastPriced = i;
        text += call.line();
    }

    QFile pbx(m_pbx);
    QVERIFY(pbx.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray bytes = text.toLatin1();
    qsizetype at = 0;
    for (int size : randomChunks(bytes.size(), 300, 2026)) {
        QCOMPARE(pbx.write(bytes.mid(at, size)), qMin<qsizetype>(size, bytes.size() - at));
        at += size;
        QTest::qWait(QRandomGenerator::global()->bounded(0, 3));
    }
    pbx.close();

    QTRY_COMPARE_WITH_TIMEOUT(countRows(db, QStringLiteral("cdr表")), 200, 60000);
    QTRY_COMPARE_WITH_TIMEOUT(countRows(db, QStringLiteral("话费表")), priced, 60000);
    QCOMPARE(storedTwice(db), QStringList());

    const ReceivedCallsModel& calls = view.receivedCalls();
    QCOMPARE(calls.rowCount(), 30);
    const CdrCall newest =
        mobileCall(lastPriced, QStringLiteral("8%1").arg(lastPriced % 16 + 1, 3, 10, QLatin1Char('0')));
    const QStringList expected = {
        newest.extension,
        newest.dialled + QStringLiteral("      "),
        QStringLiteral("2026-03-15"),
        QStringLiteral("09:30:00"),
        QStringLiteral("00:01:30"),
        QStringLiteral(" 0.40"),
        QStringLiteral("   0.80"),
        QStringLiteral("   0.00"),
        QStringLiteral("  移动电话"),
    };
    for (int column = 0; column < ReceivedCallsModel::ColumnCount; ++column)
        QCOMPARE(calls.cell(0, column), expected.at(column));
    QCOMPARE(prompt.texts, QStringList());
}

// A message box: while it is open the event loop runs on (the test does its
// work there, as a person would look at the box).
class BoxPrompt : public RecordingPrompt
{
public:
    void inform(const QString& text) override
    {
        RecordingPrompt::inform(text);
        if (whileOpen)
            std::exchange(whileOpen, {})();
    }
    std::function<void()> whileOpen;
};

void TestViewPty::messageBoxDoesNotStopIntake()
{
    TestDatabase db(true);
    BoxPrompt prompt;
    CQalorView view;
    view.initialUpdate();
    QFile pbx(m_pbx);
    QVERIFY(pbx.open(QIODevice::WriteOnly | QIODevice::Unbuffered));

    // A call dated month 13 raises a message. While it is open, 400 calls
    // (29 KB, more than the port's buffer) and the bad call again arrive:
    // all are priced while the box is open, and the box is not shown twice.
    CdrCall month13 = mobileCall(9000);
    month13.date = QStringLiteral("261315");
    int storedWhileOpen = -1;
    prompt.whileOpen = [&] {
        const QByteArray bytes = (mobileLines(200) + month13.line() + mobileLines(200, 200)).toLatin1();
        qsizetype at = 0;
        for (int size : randomChunks(bytes.size(), 500, 13)) {
            pbx.write(bytes.mid(at, size));
            at += size;
            // The box's own event loop runs meanwhile: the port reads as the
            // exchange writes (this thread is both, and the line holds only
            // so much).
            QTest::qWait(1);
        }
        QTRY_COMPARE_WITH_TIMEOUT(countRows(db, QStringLiteral("话费表")), 400, 30000);
        storedWhileOpen = countRows(db, QStringLiteral("话费表"));
    };
    pbx.write(month13.line().toLatin1());
    QTRY_COMPARE_WITH_TIMEOUT(storedWhileOpen, 400, 40000);
    QCOMPARE(prompt.texts.size(), 1);
    QVERIFY(prompt.texts.first().startsWith(QStringLiteral("CDR记录的日期或时间无效")));
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 400);
}

// "确认" in the trunk-group editor: the next call is judged by the new flags
// and the line stays open, also for the line the exchange was printing at
// that moment.
void TestViewPty::trunkEditorLeavesTheLineOpen()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    CQalorView view;
    view.initialUpdate();
    QFile pbx(m_pbx);
    QVERIFY(pbx.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const auto stored = [&] {
        return db.column(QStringLiteral("SELECT 被叫号 FROM 话费表 ORDER BY 被叫号"));
    };

    const CdrCall before = mobileCall(1);
    pbx.write(before.line().toLatin1());
    QTRY_COMPARE_WITH_TIMEOUT(stored(), QStringList{before.dialled}, 20000);

    // The administrator stops billing trunk group 1 in the grid and confirms
    // while a call on trunk group 2 is half printed.
    db.execute(QStringLiteral("UPDATE 中继组 SET 计费否=0 WHERE 中继组号=1"));
    CdrCall during = mobileCall(2);
    during.trunk = QStringLiteral("02");
    const QByteArray duringBytes = during.line().toLatin1();
    pbx.write(duringBytes.left(30));
    view.afterEditorConfirmed(AfterConfirm::ClearTrunkGroupsMark);
    QVERIFY(view.cdrPort().portOpen());
    pbx.write(duringBytes.mid(30));

    const CdrCall unbilled = mobileCall(3); // trunk group 1
    CdrCall after = mobileCall(4);
    after.trunk = QStringLiteral("02");
    pbx.write((unbilled.line() + after.line()).toLatin1());
    QTRY_COMPARE_WITH_TIMEOUT(stored(), (QStringList{before.dialled, during.dialled, after.dialled}), 20000);
    QCOMPARE(prompt.texts, QStringList());
}

// The serial device is not there when the window starts (an adapter plugged
// in later): the window says why once, keeps trying, and once the device
// comes its calls are priced.
void TestViewPty::deviceThatComesLater()
{
    const QString dir = sandbox().path();
    const QString far = dir + QStringLiteral("/late-pbx");
    const QString near = dir + QStringLiteral("/late-qalor");
    const QString before = QSettings().value(QStringLiteral("SerialPorts/COM1")).toString();
    QSettings().setValue(QStringLiteral("SerialPorts/COM1"), near);
    TestDatabase db(true);
    RecordingPrompt prompt;
    CQalorView view;
    view.initialUpdate();
    QCOMPARE(prompt.texts, QStringList{QStringLiteral("无法打开串口COM1 (%1): %2")
                                           .arg(near, QString::fromLocal8Bit(std::strerror(ENOENT)))});
    QCOMPARE(view.cdrPort().link(), CommControl::Link::Reconnecting);

    QProcess socat;
    socat.start(QStringLiteral("socat"), {QStringLiteral("pty,raw,echo=0,link=") + far,
                                          QStringLiteral("pty,raw,echo=0,link=") + near});
    QVERIFY(socat.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(view.cdrPort().link(), CommControl::Link::Open, 30000);
    QFile pbx(far);
    QVERIFY(pbx.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    QVERIFY(pbx.write(mobileLines(2).toLatin1()) > 0);
    QTRY_COMPARE_WITH_TIMEOUT(countRows(db, QStringLiteral("话费表")), 2, 30000);
    QCOMPARE(view.receivedCalls().rowCount(), 2);
    QCOMPARE(prompt.texts.size(), 1);
    socat.terminate();
    socat.waitForFinished(5000);
    QSettings().setValue(QStringLiteral("SerialPorts/COM1"), before);
}

int main(int argc, char** argv)
{
    return runInSandbox<TestViewPty>(argc, argv);
}

#include "tst_view_pty.moc"
