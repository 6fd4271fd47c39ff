#include "RecordingPrompt.h"
#include "TestDatabase.h"

#include "maintenance/BackupDeleteDialog.h"
#include "maintenance/CallTableCommands.h"
#include "maintenance/CdrSaveDialog.h"
#include "maintenance/CdrSaveOption.h"

#include "db/CallTableStatements.h"
#include "db/WorkLock.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <csignal>
#include <cstdio>
#include <unistd.h>

using namespace qalor;
using qalor::test::RecordingPrompt;
using qalor::test::TestDatabase;

namespace {

void addCall(const TestDatabase& db, const QString& caller, const QString& date, const QString& time,
             double charge = 1.5)
{
    db.execute(QStringLiteral("INSERT INTO 话费表 VALUES ('%1','02087654321','%2','%3',10205,0.5,3,%4,0,0.2,"
                              "'广州',2)")
                   .arg(caller, date, time)
                   .arg(charge));
}

// Every row of a call table as text, sorted, so that two contents compare as
// multisets.
QStringList rows(const TestDatabase& db, const QString& table)
{
    QStringList texts =
        db.column(QStringLiteral("SELECT 主叫号 || '|' || 被叫号 || '|' || 日期 || '|' || 时间 || '|' || "
                                 "CAST(通话费 AS VARCHAR(20)) || '|' || 通达地 FROM ") +
                  table);
    texts.sort();
    return texts;
}

QStringList datesOf(const QStringList& rows)
{
    QStringList dates;
    for (const QString& row : rows)
        dates << row.section(QLatin1Char('|'), 0, 0) + QLatin1Char('@') + row.section(QLatin1Char('|'), 2, 2);
    dates.sort();
    return dates;
}

void seedCalls(const TestDatabase& db)
{
    addCall(db, "8001", "991231", "235959");
    addCall(db, "8001", "000101", "000001");
    addCall(db, "8001", "231231", "120000");
    addCall(db, "8001", "240101", "080000");
    addCall(db, "8002", "240115", "090000");
    addCall(db, "", "240120", "100000");
    addCall(db, "8001", "240131", "235959");
    addCall(db, "8002", "240201", "000000");
}

QPushButton* buttonNamed(QWidget& parent, const QString& caption)
{
    for (QPushButton* button : parent.findChildren<QPushButton*>())
        if (button->text() == caption)
            return button;
    return nullptr;
}

const QDate Jan1(2024, 1, 1);
const QDate Jan31(2024, 1, 31);

} // namespace

class TestMaintenance : public QObject
{
    Q_OBJECT
private slots:
    void rangesSelectByDateTextAndCaller_data()
    {
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<bool>("limitCaller");
        QTest::addColumn<QString>("caller");
        QTest::addColumn<QStringList>("selected"); // caller@date of the rows in range

        QTest::newRow("both ends included")
            << Jan1 << Jan31 << false << ""
            << QStringList{"@240120", "8001@240101", "8001@240131", "8002@240115"};
        QTest::newRow("one day") << QDate(2024, 1, 15) << QDate(2024, 1, 15) << false << ""
                                 << QStringList{"8002@240115"};
        QTest::newRow("start after end") << Jan31 << Jan1 << false << "" << QStringList();
        QTest::newRow("1999 into 2000 selects nothing")
            << QDate(1999, 12, 1) << QDate(2000, 1, 31) << false << "" << QStringList();
        QTest::newRow("one caller") << Jan1 << Jan31 << true << "8001"
                                    << QStringList{"8001@240101", "8001@240131"};
        QTest::newRow("ticked but empty caller") << Jan1 << Jan31 << true << "" << QStringList{"@240120"};
        QTest::newRow("apostrophe in the caller") << Jan1 << Jan31 << true << "80'1" << QStringList();
        QTest::newRow("statement text in the caller")
            << QDate(2000, 1, 1) << QDate(2099, 1, 1) << true << "' or ''='" << QStringList();
    }
    void rangesSelectByDateTextAndCaller()
    {
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(bool, limitCaller);
        QFETCH(QString, caller);
        QFETCH(QStringList, selected);
        selected.sort();

        TestDatabase db;
        RecordingPrompt prompt;
        seedCalls(db);
        const QStringList before = rows(db, "话费表");
        const CallRange range{start, end, limitCaller ? std::optional<QString>(caller) : std::nullopt};
        CallTableCommands commands;
        QVERIFY(commands.open());

        QVERIFY(commands.backup(range));
        const QStringList backedUp = rows(db, "话费表备份");
        QCOMPARE(datesOf(backedUp), selected);
        QCOMPARE(rows(db, "话费表"), before);

        QVERIFY(commands.remove(range));
        QStringList expectedLeft = before;
        for (const QString& row : backedUp)
            expectedLeft.removeOne(row);
        QCOMPARE(rows(db, "话费表"), expectedLeft);

        QVERIFY(commands.restore(range));
        QCOMPARE(rows(db, "话费表"), before);
        QCOMPARE(rows(db, "话费表备份"), backedUp); // restore leaves the backup alone

        QCOMPARE(prompt.texts, (QStringList{"备份完毕!", CallTableCommands::deleteWarning(), "成功删除!",
                                            CallTableCommands::restoreReport({int(selected.size()), 0})}));
        QCOMPARE(CallTableCommands::deleteWarning(),
                 QString(" 如果按OK 将删除该时段记录,\n且无法恢复!!\n如果不删除,请按CANCEL键."));
    }

    void cancelledDeleteDoesNothing()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        prompt.answers = {false};
        seedCalls(db);
        const QStringList before = rows(db, "话费表");
        int busy = 0, beeps = 0;
        CallTableCommands commands;
        commands.setFeedback({[&] { ++busy; }, [&] { --busy; }, [&] { ++beeps; }});
        QVERIFY(!commands.remove({Jan1, Jan31, std::nullopt}));
        QCOMPARE(prompt.texts, QStringList{CallTableCommands::deleteWarning()});
        QCOMPARE(prompt.captions, QStringList{QStringLiteral("警告")});
        QCOMPARE(rows(db, "话费表"), before);
        QCOMPARE(beeps, 0);

        QVERIFY(commands.remove({Jan1, Jan31, std::nullopt})); // script ran out: OK
        QCOMPARE(busy, 0);                                     // the wait cursor ended
        QCOMPARE(beeps, 1);
        QCOMPARE(prompt.texts.last(), QString("成功删除!"));
    }

    // A restore stores each call of the range that 话费表 lacks, once, and
    // counts the ones it already holds (equal in every column, empty values
    // included, as duplicate removal compares rows).
    void restoreNeverStoresACallTwice_data()
    {
        QTest::addColumn<QString>("deleted");  // condition of the rows deleted after the backup
        QTest::addColumn<bool>("limitCaller"); // restore only 8001's calls
        QTest::addColumn<int>("restored");
        QTest::addColumn<int>("alreadyThere");
        QTest::addColumn<int>("stillMissing"); // deleted rows the restore does not cover

        QTest::newRow("range deleted") << "日期>='240101' AND 日期<='240131'" << false << 6 << 0 << 0;
        QTest::newRow("nothing deleted") << "1=0" << false << 0 << 6 << 0;
        QTest::newRow("one caller deleted, also outside the range")
            << "主叫号='8002'" << false << 1 << 5 << 2;
        QTest::newRow("call without destination deleted") << "通达地 IS NULL" << false << 1 << 5 << 0;
        QTest::newRow("one of two calls differing in the charge")
            << "主叫号='8003' AND 通话费>2.4" << false << 1 << 5 << 0;
        QTest::newRow("caller limited, its calls deleted") << "主叫号='8001'" << true << 2 << 0 << 3;
        QTest::newRow("caller limited, another's deleted") << "主叫号='8002'" << true << 0 << 2 << 3;
    }
    void restoreNeverStoresACallTwice()
    {
        QFETCH(QString, deleted);
        QFETCH(bool, limitCaller);
        QFETCH(int, restored);
        QFETCH(int, alreadyThere);
        QFETCH(int, stillMissing);

        TestDatabase db;
        RecordingPrompt prompt;
        seedCalls(db);
        addCall(db, "8002", "240201", "000000"); // a twin outside the range
        addCall(db, "8003", "240110", "101010", 2.25);
        addCall(db, "8003", "240110", "101010", 2.5); // differs in one column: another call
        db.execute("UPDATE 话费表 SET 通达地=NULL WHERE 主叫号='8002' AND 日期='240115'");
        const int before = int(rows(db, "话费表").size());
        const CallRange range{Jan1, Jan31, limitCaller ? std::optional<QString>("8001") : std::nullopt};

        CallTableCommands commands;
        QVERIFY(commands.backup(range));
        QVERIFY(commands.backup(range)); // twice into the backup
        db.execute("DELETE FROM 话费表 WHERE " + deleted);

        QVERIFY(commands.restore(range));
        QCOMPARE(prompt.texts.last(), CallTableCommands::restoreReport({restored, alreadyThere}));
        QCOMPARE(rows(db, "话费表").size(), before - stillMissing);
        QVERIFY(commands.restore(range)); // again: nothing more comes back
        QCOMPARE(prompt.texts.last(), CallTableCommands::restoreReport({0, restored + alreadyThere}));
        QCOMPARE(rows(db, "话费表").size(), before - stillMissing);
        QCOMPARE(db.column("SELECT 主叫号 FROM 话费表 WHERE 日期>='240101' AND 日期<='240131' GROUP BY "
                           "主叫号, 被叫号, 日期, 时间, 通话费 HAVING COUNT(*) > 1"),
                 QStringList());
        QCOMPARE(CallTableCommands::restoreReport({2, 3}),
                 QString("成功还原!\n还原记录2条;另有3条记录话费表中已有,未重复还原."));
    }

    void backingUpTwiceThenRemovingDuplicatesLeavesOneOfEach()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        seedCalls(db);
        addCall(db, "8002", "240201", "000000"); // a twin outside the range stays twinned
        addCall(db, "8003", "240110", "101010", 2.25);
        addCall(db, "8003", "240110", "101010", 2.5); // differs in one column: not a duplicate
        const QStringList before = rows(db, "话费表");
        const CallRange january{Jan1, Jan31, std::nullopt};

        CallTableCommands commands;
        QVERIFY(commands.backup(january));
        QVERIFY(commands.backup(january)); // twice into the backup
        QCOMPARE(rows(db, "话费表备份").size(), 12);
        QVERIFY(commands.restore(january)); // every row is still there: nothing comes back twice
        QCOMPARE(rows(db, "话费表"), before);

        db.execute("INSERT INTO 话费表 SELECT * FROM 话费表备份"); // doubled by hand, as older versions did
        QCOMPARE(rows(db, "话费表").size(), before.size() + 12);
        db.execute("INSERT INTO HF SELECT * FROM 话费表"); // whatever HF held is replaced
        QList<QPair<int, int>> steps;
        QVERIFY(commands.removeDuplicates(Jan1, Jan31, [&](int done, int total) {
            steps.append({done, total});
        }));
        QCOMPARE(rows(db, "话费表"), before);
        QCOMPARE(steps, (QList<QPair<int, int>>{{0, 4}, {1, 4}, {2, 4}, {3, 4}, {4, 4}}));
        QCOMPARE(rows(db, "HF").size(), 6);
        // Restoring found every row still there; duplicate removal took the
        // 12 rows doubled by hand.
        QCOMPARE(prompt.texts, (QStringList{"备份完毕!", "备份完毕!", CallTableCommands::restoreReport({0, 6}),
                                            "成功!\n删除了12条重复记录."}));

        // start after end: nothing changes and the report still comes
        QVERIFY(commands.removeDuplicates(Jan31, Jan1));
        QCOMPARE(rows(db, "话费表"), before);
        QCOMPARE(prompt.texts.last(), QString("成功!\n删除了0条重复记录."));
    }

    // The alert rules' month totals are sums of 话费表: a change of it in
    // bulk forgets them with it, or a month rule would go on counting calls
    // deleted (or missing calls restored) for the rest of the month.
    void bulkChangesForgetTheMonthTotals_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("delete") << "delete";
        QTest::newRow("restore") << "restore";
        QTest::newRow("duplicates") << "duplicates";
    }

    void bulkChangesForgetTheMonthTotals()
    {
        QFETCH(QString, change);
        TestDatabase db;
        RecordingPrompt prompt;
        seedCalls(db);
        db.execute(monthTotalsTable());
        db.execute("INSERT INTO 告警累计表 (月份, 对象, 金额) VALUES (202401, 'E8001', 99900)");
        const CallRange january{Jan1, Jan31, std::nullopt};
        CallTableCommands commands;
        if (change == "delete")
            QVERIFY(commands.remove(january));
        else if (change == "restore")
            QVERIFY(commands.restore(january));
        else
            QVERIFY(commands.removeDuplicates(Jan1, Jan31));
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM 告警累计表"), QString("0"));
    }

    void duplicatesAreRowsEqualInEveryColumnEmptyValuesIncluded()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        addCall(db, "8001", "240110", "101010");
        addCall(db, "8002", "240110", "101010");      // same moment, another caller: kept
        addCall(db, "8001", "240110", "101010", 2.5); // differs in the charge only: kept
        addCall(db, "8001", "240110", "101010");      // the first call again: goes
        addCall(db, "8001", "240111", "101010");      // another day: kept
        // Rows without a time or a caller (written by other programs) are
        // duplicates of each other as DISTINCT sees them.
        for (int i = 0; i < 3; ++i)
            db.execute("INSERT INTO 话费表 VALUES "
                       "(NULL,'02087654321','240112',NULL,10205,0.5,3,1.5,0,0.2,'广州',2)");
        QCOMPARE(rows(db, "话费表").size(), 8);

        CallTableCommands commands;
        QVERIFY(commands.removeDuplicates(Jan1, Jan31));
        QCOMPARE(prompt.texts.last(), QString("成功!\n删除了3条重复记录."));
        QCOMPARE(rows(db, "话费表").size(), 5);
        QCOMPARE(rows(db, "HF"), rows(db, "话费表"));
        QCOMPARE(db.column("SELECT COUNT(*) FROM 话费表 WHERE 时间 IS NULL"), QStringList{"1"});
    }

    void failedDuplicateRemovalLeavesTheCallTableAsItWas()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        seedCalls(db);
        addCall(db, "8001", "240101", "080000");
        const QStringList before = rows(db, "话费表");
        // Refuse taking a call row out, so that the step that removes the
        // second copy fails after HF has been emptied.
        if (TestDatabase::isPostgres()) {
            db.execute("CREATE FUNCTION refuse_calls() RETURNS trigger AS $$ BEGIN RAISE EXCEPTION "
                       "'calls refused'; END $$ LANGUAGE plpgsql");
            db.execute("CREATE TRIGGER refuse_calls BEFORE DELETE ON 话费表 FOR EACH ROW EXECUTE FUNCTION "
                       "refuse_calls()");
        } else {
            db.execute("CREATE TRIGGER refuse_calls BEFORE DELETE ON 话费表 BEGIN SELECT RAISE(ABORT, "
                       "'calls refused'); END");
        }
        int reached = 0;
        CallTableCommands commands;
        QVERIFY(!commands.removeDuplicates(Jan1, Jan31, [&](int done, int) { reached = done; }));
        QCOMPARE(reached, 1);
        QCOMPARE(prompt.texts.size(), 1);
        QVERIFY2(prompt.texts.first().contains("calls refused"), qPrintable(prompt.texts.first()));
        QCOMPARE(rows(db, "话费表"), before);

        // the connection is still usable afterwards
        QVERIFY(commands.backup({Jan1, Jan31, std::nullopt}));
        QCOMPARE(rows(db, "话费表备份").size(), 5);
    }

    void killedDuplicateRemovalLeavesEverythingAsItWas_data()
    {
        QTest::addColumn<int>("step");
        QTest::newRow("HF emptied") << 1;
        QTest::newRow("second copies deleted") << 2;
        QTest::newRow("HF filled") << 3;
    }

    void killedDuplicateRemovalLeavesEverythingAsItWas()
    {
        QFETCH(int, step);
        TestDatabase db;
        RecordingPrompt prompt;
        seedCalls(db);
        addCall(db, "8001", "240101", "080000");
        addCall(db, "8002", "240115", "090000");
        // HF holds what the last statistics run left.
        db.execute("INSERT INTO HF SELECT * FROM 话费表 WHERE 日期='991231'");
        const QStringList calls = rows(db, "话费表");
        const QStringList work = rows(db, "HF");

        QProcess removal;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QALOR_ODBC", db.connectionString());
        environment.insert("QALOR_STOP_AFTER_STEP", QString::number(step));
        removal.setProcessEnvironment(environment);
        removal.start(QCoreApplication::applicationFilePath(), QStringList());
        QString said;
        QTRY_VERIFY_WITH_TIMEOUT((said += QString::fromUtf8(removal.readAllStandardOutput()))
                                     .contains(QStringLiteral("step %1").arg(step)),
                                 60000);
        CallTableCommands commands;
        if (step == 2) {
            // Meanwhile another program's job is refused, with a text saying why.
            QVERIFY(!commands.backup({Jan1, Jan31, std::nullopt}));
            QCOMPARE(prompt.texts, QStringList{WorkLock::busyText()});
            QCOMPARE(rows(db, "话费表备份"), QStringList());
        }
        ::kill(pid_t(removal.processId()), SIGKILL);
        QVERIFY(removal.waitForFinished(30000));
        QCOMPARE(rows(db, "话费表"), calls);
        QCOMPARE(rows(db, "HF"), work);

        // The data source let the killed program's lock go: the removal runs
        // again and takes out the two second copies.
        bool removed = false;
        QTRY_VERIFY_WITH_TIMEOUT(removed || (removed = commands.removeDuplicates(Jan1, Jan31)), 30000);
        QCOMPARE(prompt.texts.last(), CallTableCommands::duplicatesRemovedText(2));
        QCOMPARE(rows(db, "话费表").size(), calls.size() - 2);
    }

    void unreachableDataSourceIsReportedAndNothingRuns()
    {
        RecordingPrompt prompt;
        int busy = 0, beeps = 0;
        CallTableCommands commands(QStringLiteral("DRIVER={No Such Driver};Database=nowhere"));
        commands.setFeedback({[&] { ++busy; }, [&] { --busy; }, [&] { ++beeps; }});
        QVERIFY(!commands.open());
        QVERIFY(!commands.backup({Jan1, Jan31, std::nullopt}));
        QVERIFY(!commands.removeDuplicates(Jan1, Jan31));
        QCOMPARE(prompt.texts, (QStringList{"打开数据源失败!", "打开数据源失败!", "打开数据源失败!"}));
        QCOMPARE(busy, 0);
        QCOMPARE(beeps, 0);
    }

    void backupDialogReadsItsControls()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        seedCalls(db);
        BackupDeleteDialog dialog;
        QCOMPARE(dialog.windowTitle(), QString("话费表备份与删除"));
        QCOMPARE(dialog.range().start, QDate::currentDate());
        QCOMPARE(dialog.range().end, QDate::currentDate());
        QVERIFY(!dialog.range().caller);
        auto* limit = dialog.findChild<QCheckBox*>();
        auto* caller = dialog.findChild<QLineEdit*>();
        QVERIFY(limit && caller);
        QCOMPARE(limit->text(), QString("限定主叫号:"));
        QVERIFY(!caller->isEnabled());
        limit->setChecked(true);
        QVERIFY(caller->isEnabled());
        QCOMPARE(caller->maxLength(), 4);
        QCOMPARE(dialog.range().caller, std::optional<QString>(QString()));
        for (const char* caption : {"备份", "删除", "还原", "返回"})
            QVERIFY2(buttonNamed(dialog, QString::fromUtf8(caption)), caption);

        // today's range holds no seeded call: backup copies nothing and reports
        buttonNamed(dialog, "备份")->click();
        QCOMPARE(prompt.texts, QStringList{"备份完毕!"});
        QCOMPARE(rows(db, "话费表备份"), QStringList());
    }

    void cdrSaveOptionRoundTrips()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        QCOMPARE(CdrSaveOption::load(), false);
        QVERIFY(CdrSaveOption::store(true));
        QCOMPARE(db.scalar("SELECT 是否保存CDR FROM CDRSave"), QString("1"));
        QCOMPARE(CdrSaveOption::load(), true);

        {
            // either button writes back what the box shows
            CdrSaveDialog dialog;
            QCOMPARE(dialog.windowTitle(), QString("保存CDR记录"));
            QVERIFY(dialog.saveCdr());
            dialog.findChild<QCheckBox*>()->setChecked(false);
            buttonNamed(dialog, "放     弃")->click();
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QVERIFY(!dialog.saveCdr());
        }
        QCOMPARE(db.column("SELECT 是否保存CDR FROM CDRSave"), QStringList{"0"});
        {
            CdrSaveDialog dialog;
            QVERIFY(!dialog.saveCdr());
            dialog.findChild<QCheckBox*>()->setChecked(true);
            buttonNamed(dialog, "确     认")->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        QCOMPARE(db.column("SELECT 是否保存CDR FROM CDRSave"), QStringList{"1"});

        // a table without its row gets one, so the choice is not lost
        db.execute("DELETE FROM CDRSave");
        QCOMPARE(CdrSaveOption::load(), false);
        QVERIFY(CdrSaveOption::store(true));
        QCOMPARE(db.column("SELECT 是否保存CDR FROM CDRSave"), QStringList{"1"});
        QVERIFY(prompt.texts.isEmpty());

        // a missing table shows the driver's text
        db.execute("DROP TABLE CDRSave");
        QCOMPARE(CdrSaveOption::load(), false);
        QVERIFY(!CdrSaveOption::store(true));
        QCOMPARE(prompt.texts.size(), 2);
        QVERIFY2(prompt.texts.first().contains("CDRSave", Qt::CaseInsensitive),
                 qPrintable(prompt.texts.first()));
    }
};

namespace {

// Duplicate removal over January 2024 on the data source in $QALOR_ODBC that
// stops for good after the step in $QALOR_STOP_AFTER_STEP, saying so on
// standard output: the program to kill there.
int removeDuplicatesAndStop(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int stopAfter = qEnvironmentVariableIntValue("QALOR_STOP_AFTER_STEP");
    CDatabase db;
    CallTableMaintenance(db).removeDuplicates(Jan1, Jan31, [&](int done, int) {
        if (done != stopAfter)
            return;
        std::printf("step %d\n", done);
        std::fflush(stdout);
        for (;;)
            pause();
    });
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsSet("QALOR_STOP_AFTER_STEP"))
        return removeDuplicatesAndStop(argc, argv);
    QApplication app(argc, argv);
    TestMaintenance test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_maintenance.moc"
