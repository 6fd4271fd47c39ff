// The programs as cron, `su -`, ssh or a service unit start them: with no
// LANG or LC_* at all (env -i) and the common umask 022. They must work as
// in a UTF-8 session (the SQLite ODBC driver gets its statements in the
// locale's character set) and keep what they create to their user.

#include "CdrLines.h"
#include "OpenDevice.h"
#include "TestDatabase.h"
#include "access/PasswordHash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace qalor;
using namespace qalor::test;

namespace {

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

// The variables a program is started with: none of LANG, LC_ALL, LC_*.
QStringList bareEnvironment(const QTemporaryDir& dir, const TestDatabase& db)
{
    return {QStringLiteral("HOME=") + dir.path(),
            QStringLiteral("ODBCINI=") + dir.filePath(QStringLiteral("odbc.ini")),
            QStringLiteral("QALOR_ODBC=") + db.connectionString(),
            QStringLiteral("XDG_CONFIG_HOME=") + dir.filePath(QStringLiteral("config")),
            QStringLiteral("XDG_DATA_HOME=") + dir.filePath(QStringLiteral("share")),
            QStringLiteral("XDG_RUNTIME_DIR=") + dir.path(),
            QStringLiteral("QT_QPA_PLATFORM=offscreen")};
}

// Starts `env -i VARIABLES... program arguments...` with umask 022.
void startBare(QProcess& process, const QStringList& environment, const QString& program,
               const QStringList& arguments)
{
    process.setProgram(QStringLiteral("env"));
    process.setArguments(QStringList{QStringLiteral("-i")} + environment + QStringList{program} + arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setChildProcessModifier([] { ::umask(022); });
    process.start();
}

Run runBare(const QStringList& environment, const QString& program, const QStringList& arguments)
{
    QProcess process;
    startBare(process, environment, program, arguments);
    if (!process.waitForFinished(120000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

int mode(const QString& path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

} // namespace

class TestAnyLocale : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void schemaToolAndReportsWithoutLang();
    void workstationStoresACallWithoutLang();
    void newSqliteFileIsPrivate();

private:
    QTemporaryDir m_dir;
};

void TestAnyLocale::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QFile ini(m_dir.filePath(QStringLiteral("odbc.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
}

void TestAnyLocale::schemaToolAndReportsWithoutLang()
{
    TestDatabase db(true);
    db.execute(QStringLiteral("DROP TABLE 管理员口令表"));
    db.execute(QStringLiteral("DROP TABLE 统计历史记录表"));
    const QStringList environment = bareEnvironment(m_dir, db);

    const Run initdb =
        runBare(environment, QStringLiteral(QALOR_INITDB), {QStringLiteral("--password"), "口令"});
    QVERIFY2(initdb.status == 0, qPrintable(initdb.err));
    QCOMPARE(db.column(QStringLiteral("SELECT 管理员名 FROM 管理员口令表")),
             QStringList{QStringLiteral("Headkeeper")});
    // The Chinese password arrived whole: its hash is the hash of it.
    QVERIFY(PasswordHash::matches(db.scalar(QStringLiteral("SELECT 口令 FROM 管理员口令表")),
                                  QStringLiteral("口令")));
    QCOMPARE(runBare(environment, QStringLiteral(QALOR_INITDB), {QStringLiteral("--check")}).status, 0);

    db.execute(QStringLiteral("INSERT INTO 部门表 VALUES ('测试部', 77, 0)"));
    db.execute(QStringLiteral(
        "INSERT INTO 用户信息表 VALUES ('8999','张三','A1','2','1号楼','20240101',0,0,15,77,'')"));
    db.execute(
        QStringLiteral("INSERT INTO 话费表 VALUES ('8999','13800138000','240105','093000',90,0.4,2,0.8,0,0,"
                       "'移动电话',1)"));
    const Run stats =
        runBare(environment, QStringLiteral(QALOR_REPORT),
                {QStringLiteral("stats"), QStringLiteral("--from"), QStringLiteral("2024-01-01"),
                 QStringLiteral("--to"), QStringLiteral("2024-01-31")});
    QVERIFY2(stats.status == 0, qPrintable(stats.err));
    QVERIFY2(stats.err.contains(QStringLiteral("统计完毕!")), qPrintable(stats.err));
    QVERIFY(db.column(QStringLiteral("SELECT 用户名 FROM tj")).contains(QStringLiteral("张三")));
}

void TestAnyLocale::workstationStoresACallWithoutLang()
{
    if (QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty())
        QSKIP("socat is not installed");
    TestDatabase db(true);
    const QString pbxPath = m_dir.filePath(QStringLiteral("pbx"));
    const QString line = m_dir.filePath(QStringLiteral("com1"));
    QProcess socat;
    socat.start(QStringLiteral("socat"), {QStringLiteral("pty,raw,echo=0,link=") + pbxPath,
                                          QStringLiteral("pty,raw,echo=0,link=") + line});
    QVERIFY(socat.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(pbxPath) && QFile::exists(line), 10000);
    const QString settings = m_dir.filePath(QStringLiteral("config/Local AppWizard-Generated Applications"));
    QVERIFY(QDir().mkpath(settings));
    QFile conf(settings + QStringLiteral("/qalor.conf"));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write("[SerialPorts]\nCOM1=" + line.toUtf8() + "\n");
    conf.close();

    QProcess qalor;
    qalor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    startBare(qalor, bareEnvironment(m_dir, db), QStringLiteral(QALOR_BINARY), {});
    QVERIFY(qalor.waitForStarted());
    // env replaces itself with the workstation: the same process.
    QTRY_VERIFY_WITH_TIMEOUT(hasOpen(qalor.processId(), line), 30000);

    QFile pbx(pbxPath);
    QVERIFY(pbx.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const CdrCall call = mobileCall(7);
    pbx.write(call.line().toLatin1());
    QTRY_COMPARE_WITH_TIMEOUT(db.column(QStringLiteral("SELECT 被叫号 || '/' || 通达地 FROM 话费表")),
                              QStringList{call.dialled + QStringLiteral("/移动电话")}, 30000);
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM LOGINFO WHERE 操作='启动计费软件'")),
             QStringLiteral("1"));

    // The data folder and the journals are the user's alone.
    const QString data = m_dir.filePath(QStringLiteral("share/qalor"));
    QCOMPARE(mode(data), 0700);
    const QStringList files = QDir(data).entryList(QDir::Files);
    QVERIFY2(files.contains(QStringLiteral("received.journal")), qPrintable(files.join(QLatin1Char(' '))));
    for (const QString& file : files)
        QVERIFY2(mode(data + QLatin1Char('/') + file) == 0600, qPrintable(file));

    qalor.kill();
    qalor.waitForFinished(5000);
    socat.terminate();
    socat.waitForFinished(5000);
}

// The SQLite file qalor-initdb creates (with its write-ahead log) holds the
// administrators' passwords.
void TestAnyLocale::newSqliteFileIsPrivate()
{
    if (TestDatabase::isPostgres())
        QSKIP("the server keeps the PostgreSQL files");
    TestDatabase db; // only for the environment: the tool makes a file of its own
    const QString file = m_dir.filePath(QStringLiteral("new/tds.sqlite"));
    QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
    QStringList environment = bareEnvironment(m_dir, db);
    environment.replaceInStrings(QRegularExpression(QStringLiteral("^QALOR_ODBC=.*")),
                                 QStringLiteral("QALOR_ODBC=DRIVER={SQLite3};Database=") + file +
                                     QStringLiteral(";JournalMode=WAL"));
    environment << QStringLiteral("LC_ALL=C.UTF-8"); // an ordinary session: only the umask is at stake
    const Run created =
        runBare(environment, QStringLiteral(QALOR_INITDB), {QStringLiteral("--password"), "x"});
    QVERIFY2(created.status == 0, qPrintable(created.err));
    QCOMPARE(mode(file), 0600);
    for (const char* suffix : {"-wal", "-shm"})
        if (QFile::exists(file + QLatin1String(suffix)))
            QCOMPARE(mode(file + QLatin1String(suffix)), 0600);
}

QTEST_GUILESS_MAIN(TestAnyLocale)
#include "tst_any_locale.moc"
