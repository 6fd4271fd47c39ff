#include "CdrLineBuilder.h"
#include "FakeCodeFilter.h"
#include "RecordingPrompt.h"
#include "TestDatabase.h"
#include "intake/CdrParser.h"

#include <QtTest>

using namespace qalor;
using namespace qalor::test;

namespace {
const QString CannotOpen = QStringLiteral("打开CDR设置表失败,程序可能不能正常运行.");
const QString EmptyTable = QStringLiteral("cdr设置表为空,程序无法正常运行.");
} // namespace

class TestCdrLayout : public QObject
{
    Q_OBJECT

private slots:
    void defaultLayout();
    void emptyTable();
    void missingTable();
    void rowsInSequenceOrder();
    void editedRowKeepsItsSlot();
    void parserLoadsOnFirstUse();
    void parserReportsFailedLoad();
};

void TestCdrLayout::defaultLayout()
{
    TestDatabase db;
    RecordingPrompt prompt;
    CdrLayout layout;
    QVERIFY(layout.load());
    QVERIFY(prompt.texts.isEmpty());
    QCOMPARE(layout.lineLength(), 73);
    QCOMPARE(layout.entries().size(), 27);
    const CdrLayoutEntry& dialled = layout.entries().at(24);
    QCOMPARE(dialled.name, QStringLiteral("拨号号码"));
    QCOMPARE(dialled.sequence, 24);
    QCOMPARE(dialled.width, 18);
    QCOMPARE(dialled.output, 1);

    // A negative flag does not count towards the line.
    db.execute(QStringLiteral("UPDATE CDR字段定义表 SET 是否输出=-1 WHERE 输出序号=5"));
    QVERIFY(layout.load());
    QCOMPARE(layout.lineLength(), 73 - 14);
    QCOMPARE(layout.entries().size(), 27);
}

void TestCdrLayout::emptyTable()
{
    TestDatabase db;
    RecordingPrompt prompt;
    CdrLayout layout;
    QVERIFY(layout.load());
    db.execute(QStringLiteral("DELETE FROM CDR字段定义表"));
    QVERIFY(layout.load());
    QCOMPARE(prompt.texts, QStringList{EmptyTable});
    QVERIFY(layout.isLoaded());
    QCOMPARE(layout.lineLength(), 0);
    QVERIFY(layout.entries().isEmpty());
}

void TestCdrLayout::missingTable()
{
    TestDatabase db;
    RecordingPrompt prompt;
    CdrLayout layout;
    QVERIFY(layout.load());
    db.execute(QStringLiteral("DROP TABLE CDR字段定义表"));
    QVERIFY(!layout.load());
    QCOMPARE(prompt.texts, QStringList{CannotOpen});
    QVERIFY(layout.isLoaded());
    // Nothing of the layout loaded before survives.
    QCOMPARE(layout.lineLength(), 0);
    QVERIFY(layout.entries().isEmpty());
}

void TestCdrLayout::rowsInSequenceOrder()
{
    TestDatabase db;
    db.execute(QStringLiteral("DELETE FROM CDR字段定义表"));
    db.execute(QStringLiteral("INSERT INTO CDR字段定义表 VALUES (2, 'two', 5, 1)"));
    db.execute(QStringLiteral("INSERT INTO CDR字段定义表 VALUES (0, 'zero', 3, 0)"));
    db.execute(QStringLiteral("INSERT INTO CDR字段定义表 VALUES (1, 'one', 4, 1)"));
    RecordingPrompt prompt;
    CdrLayout layout;
    QVERIFY(layout.load());
    QStringList names;
    for (const CdrLayoutEntry& entry : layout.entries())
        names << entry.name;
    QCOMPARE(names, (QStringList{"zero", "one", "two"}));
    QCOMPARE(layout.lineLength(), 4 + 1 + 5 + 1 + 2);
}

void TestCdrLayout::editedRowKeepsItsSlot()
{
    // PostgreSQL writes an updated row anew at the end of the table: an
    // unsorted read would move the field behind all later ones.
    TestDatabase db;
    db.execute(QStringLiteral("UPDATE CDR字段定义表 SET 字段长=4 WHERE 输出序号=1"));
    db.execute(QStringLiteral("UPDATE CDR字段定义表 SET 字段长=3 WHERE 输出序号=1"));
    RecordingPrompt prompt;
    CdrLayout layout;
    QVERIFY(layout.load());
    QCOMPARE(layout.entries().size(), 27);
    for (int slot = 0; slot < layout.entries().size(); ++slot)
        QCOMPARE(layout.entries().at(slot).sequence, slot);
    FakeCodeFilter filter;
    CdrParser parser(layout, filter);
    QString record;
    QCOMPARE(parser.preproccdr(cdrLine(defaultEntries(), {}), record), 1);
    QCOMPARE(record.mid(40, 4), QStringLiteral("2101"));
}

void TestCdrLayout::parserLoadsOnFirstUse()
{
    TestDatabase db;
    RecordingPrompt prompt;
    CdrLayout layout;
    FakeCodeFilter filter;
    CdrParser parser(layout, filter);
    QString record;
    QCOMPARE(parser.preproccdr(cdrLine(defaultEntries(), {}), record), 1);
    QVERIFY(layout.isLoaded());
    QCOMPARE(record.mid(40, 4), QStringLiteral("2101"));
    QVERIFY(prompt.texts.isEmpty());
}

void TestCdrLayout::parserReportsFailedLoad()
{
    TestDatabase db;
    db.execute(QStringLiteral("DROP TABLE CDR字段定义表"));
    RecordingPrompt prompt;
    CdrLayout layout;
    FakeCodeFilter filter;
    CdrParser parser(layout, filter);
    QString record = QStringLiteral("stale");
    QCOMPARE(parser.preproccdr(cdrLine(defaultEntries(), {}), record), 0);
    QVERIFY(record.isEmpty());
    QCOMPARE(prompt.texts, (QStringList{CannotOpen, QStringLiteral("falt when loading cdrsetting set.")}));
    // The failed load counts as an attempt: the next line does not retry it.
    QCOMPARE(parser.preproccdr(cdrLine(defaultEntries(), {}), record), 0);
    QCOMPARE(prompt.texts.size(), 2);
}

QTEST_GUILESS_MAIN(TestCdrLayout)
#include "tst_cdrlayout.moc"
