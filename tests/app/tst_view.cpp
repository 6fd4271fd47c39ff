#include "CdrLines.h"
#include "FakeCommControl.h"
#include "RecordingPrompt.h"
#include "StoredCalls.h"
#include "TestDatabase.h"

#include "app/CQalorView.h"
#include "db/CDatabase.h"
#include "db/SchemaBuilder.h"
#include "intake/LineJournal.h"
#include "receiving/ReceivedCallsModel.h"
#include "receiving/ReportLines.h"

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

using namespace qalor;
using namespace qalor::test;

namespace {

// A view on a fake port, the way the frame builds it.
struct View
{
    View()
    {
        auto control = std::make_unique<FakeCommControl>();
        port = control.get();
        view = std::make_unique<CQalorView>(std::move(control));
        view->initialUpdate();
    }
    FakeCommControl* port = nullptr;
    std::unique_ptr<CQalorView> view;
};

int countRows(const TestDatabase& db, const QString& table)
{
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table).toInt();
}

QLabel* indicator(CQalorView& view, const QString& name)
{
    for (QLabel* label : view.findChildren<QLabel*>())
        if (label->accessibleName() == name)
            return label;
    return nullptr;
}

const QStringList ArmSequence = {
    QStringLiteral("CommPort=1"),   QStringLiteral("InBufferSize=16384"), QStringLiteral("RThreshold=73"),
    QStringLiteral("SThreshold=1"), QStringLiteral("InputLen=73"),        QStringLiteral("RTSEnable=1"),
    QStringLiteral("DTREnable=1"),  QStringLiteral("PortOpen=1"),
};

} // namespace

class TestView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void startUp();
    void portThatWillNotOpen();
    void unreachableDatabase();
    void rearmingAndLayoutReload();
    void layoutMissingAtStartIsRetried();
    void reportBatchShowsNewestThirty();
    void reportLinesSurviveRestart();
    void computeWithNothingCollected();
    void computeFailureKeepsLinesCollected();

private:
    QTemporaryDir m_data;
};

void TestView::initTestCase()
{
    QVERIFY(m_data.isValid());
    qputenv("QALOR_DATA_DIR", QFile::encodeName(m_data.path()));
}

void TestView::init()
{
    QDir dir(m_data.path());
    for (const QString& name : dir.entryList(QDir::Files))
        dir.remove(name);
}

void TestView::startUp()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    db.execute(QStringLiteral("UPDATE CDRSave SET 是否保存CDR=1"));
    View v;

    QCOMPARE(db.column(QStringLiteral("SELECT 操作 FROM LOGINFO")),
             QStringList{QStringLiteral("启动计费软件")});
    QCOMPARE(db.scalar(QStringLiteral("SELECT 管理员名 FROM LOGINFO")), QStringLiteral("无"));
    QVERIFY(v.view->saveRaw());
    QVERIFY(!v.view->reportMode());
    QCOMPARE(v.view->portNumber(), 1);
    // Taken first (its lock decides who reads it), then armed for one CDR line.
    QCOMPARE(v.port->log.mid(v.port->log.indexOf(QStringLiteral("CommPort=1"))),
             QStringList({QStringLiteral("CommPort=1"), QStringLiteral("RThreshold=0"),
                          QStringLiteral("PortOpen=1")}) +
                 ArmSequence.mid(0, ArmSequence.size() - 1));
    QCOMPARE(prompt.texts, QStringList());

    auto* startTime = v.view->findChild<QLineEdit*>();
    QVERIFY(startTime);
    QVERIFY(startTime->isReadOnly());
    QCOMPARE(startTime->text(), v.view->startTimeText());
    QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}年\\d\\d月\\d\\d日 \\d\\d时\\d\\d分\\d\\d秒$"))
                .match(startTime->text())
                .hasMatch());

    QLabel* in = indicator(*v.view, QStringLiteral("已登录"));
    QLabel* out = indicator(*v.view, QStringLiteral("请登录"));
    QVERIFY(in && out);
    QVERIFY(in->isHidden() && !out->isHidden());
    v.view->setLoginIndicator(true);
    QVERIFY(!in->isHidden() && out->isHidden());
    v.view->setLoginIndicator(false);
    QVERIFY(in->isHidden() && !out->isHidden());

    auto* list = v.view->findChild<QTreeView*>(QStringLiteral("已收到的呼叫"));
    QVERIFY(list);
    // The list grows and shrinks with the window, the start time stays below it.
    v.view->resize(780, 486);
    v.view->show();
    QVERIFY(QTest::qWaitForWindowExposed(v.view.get()));
    const QRect small = list->geometry();
    QVERIFY(small.height() > 300);
    v.view->resize(1280, 900);
    QTRY_COMPARE(list->width(), small.width() + 500);
    QCOMPARE(list->width(), small.width() + 500);
    QCOMPARE(list->height(), small.height() + 414);
    QVERIFY(startTime->geometry().top() > list->geometry().bottom());
    const QFontMetrics metrics = list->header()->fontMetrics();
    for (int column = 0; column < ReceivedCallsModel::ColumnCount; ++column)
        QCOMPARE(list->columnWidth(column),
                 metrics.horizontalAdvance(ReceivedCallsModel::heading(column)) + 15);

    // A received call reaches the list through the view's own port.
    v.port->deliver(mobileCall(0).line());
    QCOMPARE(list->model()->rowCount(), 1);
    QCOMPARE(countRows(db, QStringLiteral("cdr表")), 1);
}

void TestView::portThatWillNotOpen()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    auto control = std::make_unique<FakeCommControl>();
    FakeCommControl* port = control.get();
    port->refuseOpen = QStringLiteral("Permission denied");
    CQalorView view(std::move(control));
    view.initialUpdate();

    QCOMPARE(prompt.texts.size(), 1);
    QVERIFY(prompt.texts.first().startsWith(QStringLiteral("无法打开串口COM1 (")));
    QVERIFY(prompt.texts.first().endsWith(QStringLiteral("): Permission denied")));
    QVERIFY(!port->portOpen());

    // Once the device is there, opening works.
    port->refuseOpen.clear();
    view.openPort();
    QVERIFY(port->portOpen());
    QCOMPARE(prompt.texts.size(), 1);
}

void TestView::unreachableDatabase()
{
    RecordingPrompt prompt;
    CDatabase::resetShared();
    CDatabase::setDefaultConnectionString(QStringLiteral("DRIVER={SQLite3};Database=") + m_data.path() +
                                          QStringLiteral("/no/such/folder/tds.sqlite"));
    {
        // Every table step reports and the view is still built, its port
        // armed on port 1; a line received now is not lost to a crash.
        View v;
        QVERIFY(!prompt.texts.isEmpty());
        QCOMPARE(v.view->portNumber(), 1);
        QVERIFY(v.port->log.contains(QStringLiteral("CommPort=1")));
        QVERIFY(v.port->portOpen());
        v.port->deliver(mobileCall(0).line());
        QCOMPARE(v.view->receivedCalls().rowCount(), 0);
    }
    CDatabase::resetShared();
    CDatabase::setDefaultConnectionString(QString());
}

void TestView::rearmingAndLayoutReload()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    View v;

    // The same port number changes nothing; another one re-arms the port.
    v.port->log.clear();
    v.view->setPortNumber(1);
    QCOMPARE(v.port->log, QStringList());
    v.view->setPortNumber(3);
    QStringList expected = QStringList{QStringLiteral("PortOpen=0")} + ArmSequence;
    expected[1] = QStringLiteral("CommPort=3");
    QCOMPARE(v.port->log, expected);

    // A layout with one more printed field lengthens the line the port waits for.
    db.execute(QStringLiteral("UPDATE CDR字段定义表 SET 是否输出=1 WHERE 输出序号=3"));
    v.port->log.clear();
    v.view->reloadLayout();
    QVERIFY(v.port->log.contains(QStringLiteral("RThreshold=75")));
    QVERIFY(v.port->log.contains(QStringLiteral("InputLen=75")));
    QVERIFY(v.port->portOpen());
}

void TestView::layoutMissingAtStartIsRetried()
{
    // The layout table cannot be read when the program starts: no line can
    // be cut, but the port is read and what arrives waits in it.
    TestDatabase db(true);
    db.execute(QStringLiteral("ALTER TABLE CDR字段定义表 RENAME TO CDR字段定义表_away"));
    RecordingPrompt prompt;
    View v;
    QVERIFY(v.port->portOpen());
    QVERIFY(v.port->log.contains(QStringLiteral("RThreshold=0")));
    QVERIFY(!v.view->retryMissingLayout());
    const int messages = int(prompt.texts.size());
    QVERIFY(!v.view->retryMissingLayout());
    QCOMPARE(prompt.texts.size(), messages); // the retry keeps quiet

    v.port->deliver(mobileLines(3));
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 0);

    // The table is back: the calls printed meanwhile are priced once, and
    // later ones arrive as usual.
    db.execute(QStringLiteral("ALTER TABLE CDR字段定义表_away RENAME TO CDR字段定义表"));
    QVERIFY(v.view->retryMissingLayout());
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 3);
    QVERIFY(v.port->log.contains(QStringLiteral("RThreshold=73")));
    v.port->deliver(mobileCall(7).line());
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 4);
    QVERIFY(v.view->retryMissingLayout()); // nothing left to do
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 4);
}

void TestView::reportBatchShowsNewestThirty()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    View v;
    v.view->receiveReport();
    v.view->receiveReport(); // a second switch changes nothing

    const QString text = mobileLines(40);
    v.port->deliverInChunks(text, randomChunks(text.size(), 200, 40));
    QCOMPARE(v.view->collectedReportLines(), 40);
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 0);
    QCOMPARE(v.view->receivedCalls().rowCount(), 0);

    v.port->log.clear();
    v.view->computeReport();
    QCOMPARE(v.port->log, (QStringList{QStringLiteral("PortOpen=0"), QStringLiteral("PortOpen=1")}));
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 40);
    QCOMPARE(v.view->receivedCalls().rowCount(), 30);
    QCOMPARE(v.view->receivedCalls().cell(0, ReceivedCallsModel::Called).trimmed(), mobileCall(39).dialled);
    QVERIFY(!v.view->reportMode());
    QCOMPARE(v.view->collectedReportLines(), 0);

    // Back in normal mode, a new call is priced at once.
    v.port->deliver(mobileCall(40).line());
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 41);
    QCOMPARE(v.view->receivedCalls().rowCount(), 30);
    // The run said what it did.
    QCOMPARE(prompt.texts,
             QStringList{QStringLiteral("计算了40条CDR记录,存入话费表40条,0条未存入(不计费或已存过).")});
}

void TestView::reportLinesSurviveRestart()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    {
        View first;
        first.view->receiveReport();
        first.port->deliver(mobileLines(5));
        // The program ends here without computing.
    }
    {
        // The next start is in live intake; the collected lines wait, shown
        // in the status bar, until they are computed.
        View second;
        QVERIFY(!second.view->reportMode());
        QCOMPARE(second.view->collectedReportLines(), 5);
        QCOMPARE(second.view->reportStatusText(), QStringLiteral("REPORT: 5 行待计算"));
        second.port->deliver(mobileCall(5).line());
        QCOMPARE(second.view->collectedReportLines(), 5);
        QCOMPARE(countRows(db, QStringLiteral("话费表")), 1);
        second.view->receiveReport();
        QCOMPARE(second.view->reportStatusText(), QStringLiteral("REPORT: 正在接收, 5 行待计算"));
        second.port->deliver(mobileCall(6).line());
        QCOMPARE(second.view->reportStatusText(), QStringLiteral("REPORT: 正在接收, 6 行待计算"));
        second.view->computeReport();
        QCOMPARE(countRows(db, QStringLiteral("话费表")), 7);
        QCOMPARE(second.view->reportStatusText(), QString());
    }
    View third;
    QVERIFY(!third.view->reportMode());
    QCOMPARE(third.view->collectedReportLines(), 0);
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 7);
    QCOMPARE(storedTwice(db), QStringList());
}

void TestView::computeWithNothingCollected()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    View v;

    // Without a preceding receive: nothing priced, still normal mode, port reopened.
    v.port->log.clear();
    v.view->computeReport();
    QCOMPARE(v.port->log, (QStringList{QStringLiteral("PortOpen=0"), QStringLiteral("PortOpen=1")}));
    QVERIFY(!v.view->reportMode());

    v.view->receiveReport();
    v.port->log.clear();
    v.view->computeReport();
    QCOMPARE(v.port->log, (QStringList{QStringLiteral("PortOpen=0"), QStringLiteral("PortOpen=1")}));
    QVERIFY(!v.view->reportMode());
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 0);
    QCOMPARE(prompt.texts, QStringList(2, QStringLiteral("没有待计算的REPORT数据.")));
}

void TestView::computeFailureKeepsLinesCollected()
{
    TestDatabase db(true);
    RecordingPrompt prompt;
    View v;
    v.view->receiveReport();
    v.port->deliver(mobileLines(12));
    db.execute(QStringLiteral("DROP TABLE 话费表"));

    v.view->computeReport();
    QCOMPARE(prompt.texts.size(), 2); // the data source's own text, then what was left and why
    QCOMPARE(prompt.texts.last(),
             QStringLiteral("计算了0条CDR记录,存入话费表0条,0条未存入(不计费或已存过).\n"
                            "另有12条因存储出错未计算,已保留,可再次\"计算REPORT数据\"."));
    QVERIFY(v.view->reportMode());
    QCOMPARE(v.view->collectedReportLines(), 12);
    QCOMPARE(LineJournal(ReportLines::defaultJournalPath()).lines().size(), 12);
    QVERIFY(v.port->portOpen());
    QCOMPARE(v.view->receivedCalls().rowCount(), 0);

    // With the table back, the same lines are priced once each.
    SchemaBuilder(CDatabase::shared()).createMissing(QStringLiteral("secret"), false);
    v.view->computeReport();
    QCOMPARE(countRows(db, QStringLiteral("话费表")), 12);
    QCOMPARE(v.view->collectedReportLines(), 0);
    QVERIFY(!v.view->reportMode());
    QCOMPARE(prompt.texts.last(),
             QStringLiteral("计算了12条CDR记录,存入话费表12条,0条未存入(不计费或已存过)."));
}

QTEST_MAIN(TestView)
#include "tst_view.moc"
