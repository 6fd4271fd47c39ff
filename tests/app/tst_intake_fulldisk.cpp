#include "CdrLines.h"
#include "IntakeRig.h"
#include "RecordingPrompt.h"
#include "StoredCalls.h"
#include "TestDatabase.h"

#include "db/CDatabase.h"
#include "intake/LineJournal.h"
#include "intake/ReceivedJournal.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

using namespace qalor;
using namespace qalor::test;

namespace {

constexpr int MountMegabytes = 16;

QStringList numbersOf(int first, int count)
{
    QStringList numbers;
    for (int i = first; i < first + count; ++i)
        numbers << mobileCall(i).dialled;
    numbers.sort();
    return numbers;
}

// Fills a filesystem to the last byte with one file; removing it gives the space back.
class Filler
{
public:
    explicit Filler(const QString& path) : m_file(path) {}
    ~Filler() { m_file.remove(); }
    bool fill()
    {
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        for (const qsizetype block :
             {qsizetype(1) << 20, qsizetype(1) << 16, qsizetype(4096), qsizetype(1)}) {
            const QByteArray bytes(block, 'x');
            while (m_file.write(bytes) == block) {
            }
        }
        m_file.close();
        return true;
    }
    void free() { m_file.remove(); }

private:
    QFile m_file;
};

bool mountSmall(const QString& dir, QString& error)
{
    QProcess mount;
    mount.start(QStringLiteral("mount"),
                {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                 QStringLiteral("size=%1m,mode=0700").arg(MountMegabytes), QStringLiteral("tmpfs"), dir});
    if (!mount.waitForFinished(30000) || mount.exitStatus() != QProcess::NormalExit ||
        mount.exitCode() != 0) {
        error = QString::fromLocal8Bit(mount.readAllStandardError()).trimmed();
        if (error.isEmpty())
            error = mount.errorString();
        return false;
    }
    return true;
}

} // namespace

// The journals and the data source on a small filesystem that runs full
// while calls arrive, one dialled number per call: once space returns every
// call is stored exactly once, none lost, none doubled, and the user was
// told once.
class TestIntakeFullDisk : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void fullDiskLosesAndDoublesNothing_data();
    void fullDiskLosesAndDoublesNothing();
    void failedCommitOpensTheConnectionAgain();
    void failedWriteLeavesNothingInTheJournal();

private:
    QTemporaryDir m_root;
    QString m_mount;
    bool m_mounted = false;
    QTemporaryDir m_elsewhere; // journals that do not run full
};

void TestIntakeFullDisk::initTestCase()
{
    QVERIFY(m_root.isValid() && m_elsewhere.isValid());
    m_mount = m_root.filePath(QStringLiteral("small"));
    QVERIFY(QDir().mkpath(m_mount));
    QString error;
    m_mounted = mountSmall(m_mount, error);
    if (!m_mounted)
        QSKIP(qPrintable(QStringLiteral("a %1 MB tmpfs cannot be mounted here (the test needs root): %2")
                             .arg(MountMegabytes)
                             .arg(error)));
}

void TestIntakeFullDisk::cleanupTestCase()
{
    if (m_mounted)
        QProcess::execute(QStringLiteral("umount"), {QStringLiteral("--lazy"), m_mount});
}

void TestIntakeFullDisk::init()
{
    for (const QString& folder : {m_mount, m_elsewhere.path()}) {
        QDir dir(folder);
        for (const QString& name : dir.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot))
            QVERIFY(QFileInfo(dir.filePath(name)).isDir() ? QDir(dir.filePath(name)).removeRecursively()
                                                          : dir.remove(name));
    }
}

void TestIntakeFullDisk::fullDiskLosesAndDoublesNothing_data()
{
    QTest::addColumn<bool>("journalsFull");
    QTest::addColumn<bool>("dataSourceFull");
    QTest::addRow("journals and data source") << true << true;
    QTest::addRow("journals only") << true << false;
    QTest::addRow("data source only") << false << true;
}

void TestIntakeFullDisk::fullDiskLosesAndDoublesNothing()
{
    QFETCH(bool, journalsFull);
    QFETCH(bool, dataSourceFull);
    if (dataSourceFull && TestDatabase::isPostgres())
        QSKIP("the server's files are not on this machine's small filesystem");
    const QByteArray data = QFile::encodeName(journalsFull ? m_mount + QStringLiteral("/data")
                                                           : m_elsewhere.filePath(QStringLiteral("data")));
    qputenv("QALOR_DATA_DIR", data);
    // TestDatabase keeps its SQLite file in a temporary folder.
    const QByteArray tmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(dataSourceFull ? m_mount : m_elsewhere.path()));
    std::optional<TestDatabase> db;
    db.emplace(true);
    qputenv("TMPDIR", tmp);
    RecordingPrompt prompt;
    Intake rig;
    for (int i = 0; i < 10; ++i)
        rig.port.deliver(mobileCall(i).line());
    QCOMPARE(storedNumbers(*db), numbersOf(0, 10));

    // Full: 100 calls, line by line.
    Filler filler(m_mount + QStringLiteral("/filler"));
    QVERIFY(filler.fill());
    for (int i = 10; i < 110; ++i)
        rig.port.deliver(mobileCall(i).line());
    const QStringList whileFull = storedNumbers(*db);
    qInfo("%lld calls stored while the disk was full", qlonglong(whileFull.size()) - 10);
    QCOMPARE(storedTwice(*db), QStringList());
    // What the journals' last pages still took is stored, in order; the rest waits.
    QVERIFY(whileFull.size() < 110);
    QCOMPARE(whileFull, numbersOf(0, int(whileFull.size())));
    const QStringList toldWhileFull = prompt.texts;

    // Space returns: every call is stored once, without another call arriving.
    filler.free();
    QTRY_COMPARE_WITH_TIMEOUT(storedNumbers(*db), numbersOf(0, 110), 30000);
    QTRY_COMPARE(rig.engine.pendingCallCount(), 0);
    for (int i = 110; i < 160; ++i)
        rig.port.deliver(mobileCall(i).line());
    QCOMPARE(storedNumbers(*db), numbersOf(0, 160));
    QCOMPARE(db->scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")).toInt(), 160);
    QCOMPARE(prompt.texts, toldWhileFull);
    // Told once what waits for the journals, and the driver's text at most once.
    const QString told = toldWhileFull.join(QStringLiteral("\n--\n"));
    const qsizetype journalTexts = toldWhileFull.filter(QStringLiteral("无法写入日志文件")).size();
    const qsizetype driverTexts = toldWhileFull.filter(QStringLiteral("disk is full")).size();
    QVERIFY2(journalTexts == (journalsFull ? 1 : 0), qPrintable(told));
    // The message names the journal, what is full and how much waits.
    for (const QString& text : toldWhileFull.filter(QStringLiteral("无法写入日志文件"))) {
        QVERIFY2(text.contains(QStringLiteral(".journal: No space left on device")), qPrintable(text));
        const QRegularExpressionMatch waiting =
            QRegularExpression(QStringLiteral("未计费的(\\d+)个字符")).match(text);
        QVERIFY2(waiting.hasMatch() && waiting.captured(1).toInt() > 0, qPrintable(text));
    }
    QVERIFY2(driverTexts <= (dataSourceFull ? 1 : 0), qPrintable(told));
    QVERIFY2(toldWhileFull.size() == journalTexts + driverTexts && !toldWhileFull.isEmpty(),
             qPrintable(told));
    const ReceivedJournal journal(QFile::decodeName(data) + QStringLiteral("/received.journal"));
    QCOMPARE(journal.handledThrough(), journal.end());
}

void TestIntakeFullDisk::failedCommitOpensTheConnectionAgain()
{
    // PostgreSQL refuses the commit itself through a deferred trigger (the
    // way a server that cannot write its log refuses it); SQLite's commit
    // fails on the full filesystem above.
    if (!TestDatabase::isPostgres())
        QSKIP("SQLite's failed commit is the full disk's, tested above");
    qputenv("QALOR_DATA_DIR", QFile::encodeName(m_elsewhere.filePath(QStringLiteral("data"))));
    TestDatabase db(true);
    db.execute(QStringLiteral("CREATE TABLE 提交故障 (开 INT)"));
    db.execute(
        QStringLiteral("CREATE FUNCTION refuse_commit() RETURNS trigger AS $$ BEGIN IF EXISTS (SELECT 1 "
                       "FROM 提交故障) THEN RAISE EXCEPTION 'could not write: No space left on device'; "
                       "END IF; RETURN NULL; END $$ LANGUAGE plpgsql"));
    db.execute(QStringLiteral("CREATE CONSTRAINT TRIGGER refuse_commit AFTER INSERT ON 话费表 DEFERRABLE "
                              "INITIALLY DEFERRED FOR EACH ROW EXECUTE FUNCTION refuse_commit()"));
    RecordingPrompt prompt;
    Intake rig;
    for (int i = 0; i < 10; ++i)
        rig.port.deliver(mobileCall(i).line());
    QCOMPARE(storedNumbers(db), numbersOf(0, 10));

    db.execute(QStringLiteral("INSERT INTO 提交故障 VALUES (1)"));
    const int openings = CDatabase::shared().openings();
    for (int i = 10; i < 30; ++i)
        rig.port.deliver(mobileCall(i).line());
    // Every failed commit left a connection that the next call opened afresh.
    QVERIFY2(CDatabase::shared().openings() >= openings + 19,
             qPrintable(QString::number(CDatabase::shared().openings() - openings)));
    QCOMPARE(storedNumbers(db), numbersOf(0, 10));
    QCOMPARE(rig.engine.pendingCallCount(), 20);
    QCOMPARE(prompt.texts.size(), 1);

    db.execute(QStringLiteral("DELETE FROM 提交故障"));
    QTRY_COMPARE_WITH_TIMEOUT(storedNumbers(db), numbersOf(0, 30), 15000);
    for (int i = 30; i < 40; ++i)
        rig.port.deliver(mobileCall(i).line());
    QCOMPARE(storedNumbers(db), numbersOf(0, 40));
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")).toInt(), 40);
}

// An entry the full disk took only part of is cut off again at once: the
// file holds whole entries only, and the entry written again later counts once.
void TestIntakeFullDisk::failedWriteLeavesNothingInTheJournal()
{
    const QString path = m_mount + QStringLiteral("/pending.journal");
    LineJournal journal(path);
    journal.append(QStringLiteral("first"));
    const qint64 before = QFileInfo(path).size();
    Filler filler(m_mount + QStringLiteral("/filler"));
    QVERIFY(filler.fill());
    // Longer than what is left of the file's last page.
    const QString entry(20000, QLatin1Char('7'));
    try {
        journal.append(entry);
        QFAIL("the full disk took the entry");
    } catch (const std::runtime_error& error) {
        QCOMPARE(QString::fromLocal8Bit(error.what()),
                 QStringLiteral("cannot write %1: No space left on device").arg(path));
    }
    QCOMPARE(QFileInfo(path).size(), before);
    filler.free();
    journal.append(entry);
    QCOMPARE(LineJournal(path).lines(), (QStringList{QStringLiteral("first"), entry}));
}

QTEST_GUILESS_MAIN(TestIntakeFullDisk)
#include "tst_intake_fulldisk.moc"
