// The schema tool run as an administrator runs it: against a data source that
// lacks some tables, on the back end under test.

#include "TestDatabase.h"
#include "access/PasswordHash.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using qalor::PasswordHash;
using qalor::test::TestDatabase;

namespace {

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

// Runs the tool with the arguments and the given standard input (a pipe,
// never a terminal; closed when there is none).
Run initdb(const QStringList& arguments, const QByteArray& input = QByteArray())
{
    QProcess tool;
    tool.setProgram(QStringLiteral(QALOR_INITDB));
    tool.setArguments(arguments);
    if (input.isNull())
        tool.setStandardInputFile(QProcess::nullDevice());
    tool.start();
    if (!input.isNull()) {
        tool.write(input);
        tool.closeWriteChannel();
    }
    if (!tool.waitForFinished(60000))
        return {};
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1,
            QString::fromUtf8(tool.readAllStandardOutput()), QString::fromUtf8(tool.readAllStandardError())};
}

QString storedPassword(const TestDatabase& db, const QString& name)
{
    return db.scalar(QStringLiteral("SELECT 口令 FROM 管理员口令表 WHERE 管理员名='%1'").arg(name));
}

// The account's password is stored hashed, and it is this one.
bool holdsHashOf(const TestDatabase& db, const QString& name, const QString& password)
{
    const QString stored = storedPassword(db, name);
    return PasswordHash::isHash(stored) && PasswordHash::matches(stored, password);
}

} // namespace

class TestInitDb : public QObject
{
    Q_OBJECT
private slots:
    void createsOnlyWhatIsMissingAndNeverInventsAPassword()
    {
        TestDatabase db;
        db.execute(QStringLiteral("INSERT INTO 费率表 (区号,费率,地区,计费单位,折扣类型,附加费费率,统计类型) "
                                  "VALUES ('010',0.07,'北京',6,2,0,2)"));
        db.execute(QStringLiteral("DROP TABLE 管理员口令表"));
        db.execute(QStringLiteral("DROP TABLE 串口表"));
        // A data source from before calls were linked to their stays.
        db.execute(QStringLiteral("DROP TABLE 宾馆通话表"));
        const QStringList connection{QStringLiteral("--connection"), db.connectionString()};

        Run check = initdb(connection + QStringList{QStringLiteral("--check")});
        QCOMPARE(check.status, 1);
        QVERIFY2(check.out.contains(QStringLiteral("管理员口令表")), qPrintable(check.out));

        // Without a terminal and without --password nothing is created:
        // there is no password to fall back on.
        QCOMPARE(initdb(connection).status, 2);
        QCOMPARE(initdb(connection + QStringList{QStringLiteral("--password"), QString()}).status, 2);
        QCOMPARE(initdb(connection + QStringList{QStringLiteral("--check")}).status, 1);

        const Run created =
            initdb(connection + QStringList{QStringLiteral("--password"), QStringLiteral("k'7")});
        QCOMPARE(created.status, 0);
        // One summary: what was made, and nothing that contradicts it.
        QVERIFY2(created.out.startsWith(QStringLiteral("Created 3 tables with their indexes: ")),
                 qPrintable(created.out));
        QCOMPARE(created.out.count(QLatin1Char('\n')), 1);
        QVERIFY(!created.out.contains(QStringLiteral("nothing changed")));
        QCOMPARE(db.column(QStringLiteral("SELECT 管理员名 FROM 管理员口令表")),
                 QStringList{QStringLiteral("Headkeeper")});
        QVERIFY(holdsHashOf(db, QStringLiteral("Headkeeper"), QStringLiteral("k'7")));
        const QString hashed = storedPassword(db, QStringLiteral("Headkeeper"));
        QCOMPARE(db.column(QStringLiteral("SELECT 串口号 FROM 串口表")), QStringList{QStringLiteral("1")});
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM 宾馆通话表")), QStringLiteral("0"));

        // A second run changes nothing, says so, and the rows already there stay.
        const Run again =
            initdb(connection + QStringList{QStringLiteral("--password"), QStringLiteral("other")});
        QCOMPARE(again.status, 0);
        QVERIFY2(
            again.out.endsWith(QStringLiteral(" tables and their indexes are present; nothing changed.\n")),
            qPrintable(again.out));
        QCOMPARE(again.out.count(QLatin1Char('\n')), 1);
        QCOMPARE(initdb(connection + QStringList{QStringLiteral("--check")}).status, 0);
        QCOMPARE(db.column(QStringLiteral("SELECT 口令 FROM 管理员口令表")), QStringList{hashed});
        QCOMPARE(db.column(QStringLiteral("SELECT 串口号 FROM 串口表")), QStringList{QStringLiteral("1")});
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM 费率表")), QStringLiteral("1"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM CDR字段定义表")), QStringLiteral("27"));
    }

    // The password never needs to stand in the arguments, where every local
    // user reads it: a file only its owner may read, or standard input. The
    // old option still works, with a warning.
    void passwordsComeFromAFileOrStandardInput()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("headkeeper"));
        QFile password(file);
        QVERIFY(password.open(QIODevice::WriteOnly));
        password.write("from file\n");
        password.close();
        QVERIFY(password.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ReadGroup | QFileDevice::ReadOther));
        const auto headkeeper = [](const TestDatabase& db, const QString& password) {
            return db.scalar(QStringLiteral("SELECT COUNT(*) FROM 管理员口令表")) == QStringLiteral("1") &&
                   holdsHashOf(db, QStringLiteral("Headkeeper"), password);
        };
        {
            TestDatabase db;
            db.execute(QStringLiteral("DROP TABLE 管理员口令表"));
            const QStringList arguments{QStringLiteral("--connection"), db.connectionString(),
                                        QStringLiteral("--password-file"), file};
            Run refused = initdb(arguments);
            QCOMPARE(refused.status, 2);
            QVERIFY2(refused.err.contains(QStringLiteral("may be read by other users (mode 0644)")),
                     qPrintable(refused.err));
            QCOMPARE(
                initdb({QStringLiteral("--connection"), db.connectionString(), QStringLiteral("--check")})
                    .status,
                1);
            QVERIFY(password.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
            QCOMPARE(initdb(arguments).status, 0);
            QVERIFY(headkeeper(db, QStringLiteral("from file")));
        }
        {
            TestDatabase db;
            db.execute(QStringLiteral("DROP TABLE 管理员口令表"));
            const Run piped = initdb({QStringLiteral("--connection"), db.connectionString()}, "piped\n");
            QCOMPARE(piped.status, 0);
            // The test's PostgreSQL connection carries its password.
            QCOMPARE(piped.err.contains(QStringLiteral("warning: the password in --connection can be read")),
                     TestDatabase::isPostgres());
            QVERIFY(headkeeper(db, QStringLiteral("piped")));
        }
        {
            TestDatabase db;
            db.execute(QStringLiteral("DROP TABLE 管理员口令表"));
            const Run old = initdb({QStringLiteral("--connection"), db.connectionString(),
                                    QStringLiteral("--password"), QStringLiteral("old")});
            QCOMPARE(old.status, 0);
            QVERIFY2(old.err.contains(QStringLiteral("warning: --password can be read by every local user")),
                     qPrintable(old.err));
            QVERIFY(headkeeper(db, QStringLiteral("old")));
        }
    }

    // A forgotten password cannot be read from the table any more: the tool
    // sets one account's password (adding the account), read as the
    // Headkeeper's is, and touches nothing else.
    void setsOnePassword()
    {
        TestDatabase db;
        const QString connection = db.connectionString();
        const auto set = [&](const QString& name, const QByteArray& input) {
            return initdb(
                {QStringLiteral("--connection"), connection, QStringLiteral("--set-password"), name}, input);
        };
        Run added = set(QStringLiteral("张三"), "pw 1\n");
        QCOMPARE(added.status, 0);
        QCOMPARE(added.out, QStringLiteral("Set the password of 张三.\n"));
        QVERIFY(holdsHashOf(db, QStringLiteral("张三"), QStringLiteral("pw 1")));
        QCOMPARE(set(QStringLiteral("Headkeeper"), "new\n").status, 0);
        QVERIFY(holdsHashOf(db, QStringLiteral("Headkeeper"), QStringLiteral("new")));
        QVERIFY(holdsHashOf(db, QStringLiteral("张三"), QStringLiteral("pw 1")));
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM 管理员口令表")), QStringLiteral("2"));

        const QString before = storedPassword(db, QStringLiteral("张三"));
        const Run empty = set(QStringLiteral("张三"), "\n");
        QCOMPARE(empty.status, 2);
        QVERIFY2(empty.err.contains(QStringLiteral("nothing changed")), qPrintable(empty.err));
        QCOMPARE(storedPassword(db, QStringLiteral("张三")), before);

        db.execute(QStringLiteral("DROP TABLE 管理员口令表"));
        QCOMPARE(set(QStringLiteral("张三"), "pw\n").status, 2);
        QCOMPARE(initdb({QStringLiteral("--connection"), connection, QStringLiteral("--check")}).status, 1);
    }

    // A call table made without the indexes the queries need (by hand, or
    // before they were part of the schema) gets them; its rows stay.
    void addsMissingIndexesKeepingRows()
    {
        TestDatabase db;
        for (const char* name : {"话费表_日期", "话费表_主叫"})
            db.execute(QStringLiteral("DROP INDEX ") + QString::fromUtf8(name));
        // And a register from before guests were named.
        db.execute(QStringLiteral("ALTER TABLE 宾馆管理表 DROP COLUMN 旅客姓名"));
        db.execute(QStringLiteral("INSERT INTO 宾馆管理表 (分机号, 押金) VALUES ('8101', 50)"));
        db.execute(
            QStringLiteral("INSERT INTO 话费表 VALUES ('8001','114','240105','083000',60,0.2,1,0.2,0,0,"
                           "'本地',0)"));
        const QStringList connection{QStringLiteral("--connection"), db.connectionString()};

        const Run check = initdb(connection + QStringList{QStringLiteral("--check")});
        QCOMPARE(check.status, 1);
        QCOMPARE(check.out, QStringLiteral("missing column: 宾馆管理表.旅客姓名\nmissing index: 话费表_日期\n"
                                           "missing index: 话费表_主叫\n"));

        const Run created = initdb(connection);
        QCOMPARE(created.status, 0);
        QCOMPARE(created.out,
                 QStringLiteral("Created 2 indexes on tables already present: 话费表_日期, 话费表_主叫.\n"
                                "Added 1 columns to tables already present: 宾馆管理表.旅客姓名.\n"));
        QCOMPARE(db.column(QStringLiteral("SELECT 分机号 || '|' || COALESCE(旅客姓名, '') FROM 宾馆管理表")),
                 QStringList{QStringLiteral("8101|")});
        QCOMPARE(initdb(connection + QStringList{QStringLiteral("--check")}).status, 0);
        QCOMPARE(db.column(QStringLiteral("SELECT 主叫号 || 被叫号 || 日期 FROM 话费表")),
                 QStringList{QStringLiteral("8001114240105")});
        QVERIFY(
            initdb(connection)
                .out.endsWith(QStringLiteral("tables and their indexes are present; nothing changed.\n")));
    }

    // An embedded data source in a folder that is not there: the message
    // names the folder (the driver only says that it could not connect).
    void missingSqliteFolderIsNamed()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("数据/无此处"));
        const Run run = initdb({QStringLiteral("--connection"), QStringLiteral("DRIVER={SQLite3};Database=") +
                                                                    folder + QStringLiteral("/tds.sqlite")},
                               "k\n");
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err,
                 QStringLiteral("qalor-initdb: 数据文件的文件夹不存在: ") + folder + QLatin1Char('\n'));
        QVERIFY(!QFileInfo::exists(folder));
    }
};

QTEST_GUILESS_MAIN(TestInitDb)
#include "tst_initdb.moc"
