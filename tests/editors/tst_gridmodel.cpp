#include "RecordingPrompt.h"
#include "TestDatabase.h"

#include "editors/GridDialog.h"
#include "editors/GridModel.h"

#include <QApplication>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace qalor;
using qalor::test::RecordingPrompt;
using qalor::test::TestDatabase;

namespace {

QStringList headings(const GridModel& model)
{
    QStringList names;
    for (int i = 0; i < model.columnCount(); ++i)
        names << model.headerData(i, Qt::Horizontal).toString();
    return names;
}

QStringList columnTexts(const GridModel& model, int column)
{
    QStringList texts;
    for (int row = 0; row < model.recordCount(); ++row)
        texts << model.data(model.index(row, column)).toString();
    return texts;
}

void addDepartments(const TestDatabase& db)
{
    db.execute(QStringLiteral("INSERT INTO 部门表 (部门名,部门编号,管理费比率) VALUES ('财务部',2,0.5)"));
    db.execute(QStringLiteral("INSERT INTO 部门表 (部门名,部门编号,管理费比率) VALUES ('财务部',2,0.5)"));
    db.execute(QStringLiteral("INSERT INTO 部门表 (部门名,部门编号,管理费比率) VALUES ('总务处',1,0.25)"));
}

} // namespace

class TestGridModel : public QObject
{
    Q_OBJECT
private slots:
    void recordSourcesAreReadFromTheTableDefinitions_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("columns");
        QTest::addColumn<QString>("tail");
        const QStringList rate31 = {"区号",  "时长1",     "费率1",    "附加费率1", "时长2",
                                    "费率2", "附加费率2", "折扣类型", "地区",      "统计类型"};
        QTest::newRow("explicit list, upper-case table")
            << "SELECT 区号,时长1,费率1,附加费率1,时长2,费率2,附加费率2,折扣类型,地区,统计类型 FROM RATE31 "
               "ORDER BY "
               "区号,折扣类型"
            << "rate31" << rate31 << " ORDER BY 区号,折扣类型";
        QTest::newRow("alias after the table")
            << "SELECT * FROM 呼叫类型表 呼叫类型 "
            << "呼叫类型表" << QStringList{"呼叫类型", "计费否", "描述"} << " 呼叫类型";
        QTest::newRow("lower case, double blanks")
            << "select * from  节假日折扣率表 ORDER BY  日期, 折扣类型"
            << "节假日折扣率表" << QStringList{"折扣类型", "日期", "折扣率"} << " ORDER BY  日期, 折扣类型";
        QTest::newRow("sub-select in the condition")
            << "SELECT * FROM 临时统计表 WHERE 费用>0 AND 主叫号 NOT IN (SELECT 电话号码 FROM TJ) ORDER BY "
               "主叫号"
            << "临时统计表" << QStringList{"主叫号", "统计类型", "费用"}
            << " WHERE 费用>0 AND 主叫号 NOT IN (SELECT 电话号码 FROM TJ) ORDER BY 主叫号";
        QTest::newRow("unknown table") << "SELECT * FROM nosuch"
                                       << "" << QStringList() << "";
        QTest::newRow("unknown column") << "SELECT 区号,nosuch FROM 费率表"
                                        << "" << QStringList() << "";
        QTest::newRow("not a select") << "DELETE FROM 费率表"
                                      << "" << QStringList() << "";
    }
    void recordSourcesAreReadFromTheTableDefinitions()
    {
        QFETCH(QString, sql);
        QFETCH(QString, table);
        QFETCH(QStringList, columns);
        QFETCH(QString, tail);
        const std::optional<RecordSource> source = RecordSource::parse(sql);
        if (table.isEmpty()) {
            QVERIFY(!source);
            return;
        }
        QVERIFY(source);
        QCOMPARE(source->table->name, table);
        QStringList names;
        for (int index : source->columns)
            names << source->table->column(index).name;
        QCOMPARE(names, columns);
        QCOMPARE(source->tail, tail);
    }

    // The statements the grids of the workstation are bound to, run on the
    // back end under test: each fills its grid with the rows and the columns
    // it names.
    void everyGridStatementRuns_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("columns");
        for (const char* sql : {
                 "SELECT * FROM 费率表 ORDER BY 区号 DESC,折扣类型",
                 "SELECT 区号,时长1,费率1,附加费率1,时长2,费率2,附加费率2,折扣类型,地区,统计类型 FROM RATE31 "
                 "ORDER BY 区号,折扣类型",
                 "Select * from 分时折扣率表",
                 "select * from  节假日折扣率表 ORDER BY  日期, 折扣类型",
                 "SELECT * FROM 星期折扣率表 ORDER BY 星期,折扣类型",
                 "SELECT * FROM 折扣类型表",
                 "SELECT * FROM 呼叫类型表 呼叫类型 ",
                 "SELECT * FROM 服务级别计费表 ORDER BY 服务级别",
                 "select * from 中继组",
                 "Select * from 部门表 ORDER BY 部门编号",
                 "SELECT * FROM 用户信息表  ORDER BY 部门编号,电话号码",
                 "SELECT * FROM 用户信息表  WHERE 部门编号=2 Order by 用户名",
                 "SELECT * FROM 统计类型表",
                 "select * from 电话查询  ORDER BY 分机号",
                 "SELECT * FROM CDR字段定义表 ORDER BY 输出序号",
                 "SELECT * FROM 管理员口令表",
                 "SELECT * FROM LOGINFO",
                 "select * from 分机拨号变换表 ORDER BY 分机号头",
                 "select * from 分机级别更改记录表 ORDER BY 日期,分机号",
                 "select * from 宾馆管理表 WHERE 是否已经结帐=0  ORDER BY 分机号",
                 "SELECT *  FROM TJ  ORDER BY  部门编号,电话号码",
                 "SELECT * FROM  BMTJ ORDER BY 部门编号",
                 "SELECT * FROM 临时统计表 WHERE 费用>0 AND 主叫号 NOT IN (SELECT 电话号码 FROM TJ) ORDER BY 主叫号",
             }) {
            const std::optional<RecordSource> source = RecordSource::parse(QString::fromUtf8(sql));
            QVERIFY2(source, sql);
            QTest::newRow(sql) << QString::fromUtf8(sql) << int(source->columns.size());
        }
    }
    void everyGridStatementRuns()
    {
        QFETCH(QString, sql);
        QFETCH(int, columns);
        TestDatabase db;
        RecordingPrompt prompt;
        db.execute("INSERT INTO 用户信息表 (电话号码,用户名,部门编号) VALUES ('8001','张三',2)");
        db.execute("INSERT INTO 用户信息表 (电话号码,用户名,部门编号) VALUES ('8002','李四',1)");
        db.execute("INSERT INTO 呼叫类型表 (呼叫类型,计费否,描述) VALUES (5,0,'x')");
        db.execute("INSERT INTO 临时统计表 (主叫号,统计类型,费用) VALUES ('9001',1,2.5)");
        GridModel model;
        model.setRecordSource(sql);
        QVERIFY(model.refresh());
        QCOMPARE(prompt.texts, QStringList());
        QCOMPARE(model.columnCount(), columns);
        const QString count = db.scalar(QStringLiteral("SELECT COUNT(*) FROM (%1) t").arg(sql.trimmed()));
        QCOMPARE(model.recordCount(), count.toInt());
    }

    void showsRowsWithDefinedHeadingsAndKeepsTheOrder()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        db.execute(
            "INSERT INTO rate31 (区号,地区,折扣类型,统计类型,费率2,附加费率2,附加费率1,费率1,时长1,时长2) "
            "VALUES ('0','国内',3,2,0.25,0,0,0.5,180,60)");
        db.execute(
            "INSERT INTO rate31 (区号,地区,折扣类型,统计类型,费率2,附加费率2,附加费率1,费率1,时长1,时长2) "
            "VALUES ('0','国内',1,2,0.125,0,0,0.75,120,30)");
        GridModel model;
        model.setRecordSource(
            "SELECT 区号,时长1,费率1,附加费率1,时长2,费率2,附加费率2,折扣类型,地区,统计类型 "
            "FROM RATE31 ORDER BY 区号,折扣类型");
        QVERIFY(model.refresh());
        QCOMPARE(headings(model), (QStringList{"区号", "时长1", "费率1", "附加费率1", "时长2", "费率2",
                                               "附加费率2", "折扣类型", "地区", "统计类型"}));
        QCOMPARE(model.recordCount(), 2);
        QCOMPARE(columnTexts(model, 7), (QStringList{"1", "3"}));
        QCOMPARE(columnTexts(model, 1), (QStringList{"120", "180"}));
        QCOMPARE(columnTexts(model, 5), (QStringList{"0.125", "0.25"}));
        QCOMPARE(columnTexts(model, 8), (QStringList{"国内", "国内"}));

        model.setRecordSource("SELECT * FROM 部门表 ORDER BY 部门编号 DESC");
        addDepartments(db);
        QVERIFY(model.refresh());
        QCOMPARE(headings(model), (QStringList{"部门名", "部门编号", "管理费比率"}));
        QCOMPARE(columnTexts(model, 1), (QStringList{"2", "2", "1"}));
        QCOMPARE(columnTexts(model, 2), (QStringList{"0.5", "0.5", "0.25"}));
        QVERIFY(prompt.texts.isEmpty());
    }

    void editsReachOnlyTheRowEdited()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        addDepartments(db);
        GridModel model;
        model.setRecordSource("SELECT * FROM 部门表 ORDER BY 部门编号");
        QVERIFY(model.refresh());
        model.setAllowUpdate(true);
        // rows 1 and 2 are twins; change the second one twice (a PostgreSQL row moves on update)
        QVERIFY(model.setData(model.index(2, 0), "审计部"));
        QVERIFY(model.setData(model.index(2, 2), "0.75"));
        QVERIFY(model.setData(model.index(2, 1), 7));
        QCOMPARE(db.column("SELECT 部门名 FROM 部门表 WHERE 部门编号=2"), QStringList{"财务部"});
        QCOMPARE(db.scalar("SELECT 部门名 FROM 部门表 WHERE 部门编号=7"), QString("审计部"));
        QCOMPARE(db.scalar("SELECT 管理费比率 FROM 部门表 WHERE 部门编号=7").toDouble(), 0.75);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM 部门表"), QString("3"));
        QCOMPARE(model.value(2, 1), QVariant(7));

        // values the column cannot hold are refused and nothing is written
        QVERIFY(!model.setData(model.index(0, 1), "abc"));
        QVERIFY(!model.setData(model.index(0, 1), "1.5"));
        QVERIFY(!model.setData(model.index(0, 1), "40000")); // 部门编号 is a 16-bit integer
        QCOMPARE(db.column("SELECT 部门编号 FROM 部门表 ORDER BY 部门编号"), (QStringList{"1", "2", "7"}));
        QVERIFY(prompt.texts.isEmpty());
    }

    void newRowsAreInsertedAndDeletedRowsRemoved()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        addDepartments(db);
        GridModel model;
        model.setRecordSource("SELECT * FROM 部门表 ORDER BY 部门编号");
        QVERIFY(model.refresh());
        model.setAllowAddNew(true);
        QCOMPARE(model.rowCount(), 4);
        QVERIFY(model.isNewRow(3));
        QVERIFY(model.setData(model.index(3, 0), "保卫科'"));
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM 部门表"), QString("3")); // written when the row is left
        QVERIFY(model.submit());
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM 部门表"), QString("4"));
        QCOMPARE(db.scalar("SELECT 部门编号 FROM 部门表 WHERE 部门名='保卫科'''"), QString("0"));
        QCOMPARE(model.recordCount(), 4);
        QCOMPARE(model.rowCount(), 5);
        // the new row can be changed at once
        model.setAllowUpdate(true);
        QVERIFY(model.setData(model.index(3, 1), 9));
        QCOMPARE(db.scalar("SELECT 部门编号 FROM 部门表 WHERE 部门名='保卫科'''"), QString("9"));

        model.setAllowDelete(true);
        QVERIFY(model.removeRows(1, 1)); // one of the twins
        QCOMPARE(db.column("SELECT 部门编号 FROM 部门表 ORDER BY 部门编号"), (QStringList{"1", "2", "9"}));
        QCOMPARE(model.recordCount(), 3);
        QCOMPARE(columnTexts(model, 1), (QStringList{"1", "2", "9"}));
        QVERIFY(prompt.texts.isEmpty());
    }

    void switchedOffGridsRefuseEveryChange()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        addDepartments(db);
        GridModel model;
        model.setRecordSource("SELECT * FROM 部门表");
        QVERIFY(model.refresh());
        QCOMPARE(model.rowCount(), 3);
        QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
        QVERIFY(!model.setData(model.index(0, 0), "x"));
        QVERIFY(!model.removeRows(0, 1));

        model.setAllowAddNew(true); // adding alone does not allow changing fetched rows
        QVERIFY(!model.setData(model.index(0, 0), "x"));
        QVERIFY(model.setData(model.index(3, 0), "新部门"));
        model.setAllowAddNew(false); // switching off writes the row already typed
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM 部门表"), QString("4"));
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM 部门表 WHERE 部门名='x'"), QString("0"));
    }

    void autoNumberColumnsAreReadOnly()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        db.execute("INSERT INTO LOGINFO (管理员名,操作,操作结果,日期,时间) VALUES "
                   "('a','LOGIN','成功','20240101','0800')");
        GridModel model;
        model.setRecordSource("SELECT * FROM LOGINFO");
        QVERIFY(model.refresh());
        model.setAllowUpdate(true);
        model.setAllowAddNew(true);
        QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
        QVERIFY(!model.setData(model.index(0, 0), 99));
        QVERIFY(model.setData(model.index(1, 1), "b"));
        QVERIFY(model.submit());
        const QStringList ids = db.column("SELECT ID FROM LOGINFO ORDER BY ID");
        QCOMPARE(ids.size(), 2);
        QCOMPARE(model.data(model.index(1, 0)).toString(), ids.at(1)); // the number the database gave
        QCOMPARE(model.data(model.index(1, 1)).toString(), QString("b"));
    }

    void failuresShowTheDriverTextAndReload()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        addDepartments(db);
        GridModel model;
        model.setRecordSource("SELECT * FROM 部门表 ORDER BY 部门编号 DESC");
        QVERIFY(model.refresh());
        model.setAllowUpdate(true);

        // a row deleted elsewhere is not brought back; the grid shows the table as it is
        db.execute("DELETE FROM 部门表 WHERE 部门编号=1");
        QVERIFY(!model.setData(model.index(2, 0), "x"));
        QCOMPARE(model.recordCount(), 2);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM 部门表 WHERE 部门名='x'"), QString("0"));
        QVERIFY(prompt.texts.isEmpty());

        db.execute("DROP TABLE 部门表");
        QVERIFY(!model.setData(model.index(0, 0), "x"));
        QVERIFY(!prompt.texts.isEmpty());
        QVERIFY2(prompt.texts.first().contains(QStringLiteral("部门表")), qPrintable(prompt.texts.first()));
        QCOMPARE(model.recordCount(), 0); // reloaded: the table is gone

        prompt.texts.clear();
        model.setRecordSource("SELECT * FROM 没有的表");
        QVERIFY(!model.refresh());
        QCOMPARE(prompt.texts.size(), 1);
        QCOMPARE(model.columnCount(), 0);
    }

    void dialogWritesTypedRowsAndDeletesWithTheKey()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        addDepartments(db);
        int confirmed = 0;
        GridDialog dialog("部门", "Select * from 部门表 ORDER BY 部门编号");
        dialog.addButton("修改", [&] {
            dialog.model().setAllowAddNew(true);
            dialog.model().setAllowDelete(true);
            dialog.model().setAllowUpdate(true);
        });
        dialog.addButton("确认", [&] {
            ++confirmed;
            dialog.accept();
        });
        dialog.addCloseButton("返回", QDialog::Rejected);
        QCOMPARE(dialog.windowTitle(), QString("部门"));
        QVERIFY(!dialog.grid().accessibleName().isEmpty());
        QCOMPARE(dialog.model().recordCount(), 3);

        auto button = [&](const QString& caption) {
            for (QPushButton* b : dialog.findChildren<QPushButton*>())
                if (b->text() == caption)
                    return b;
            return static_cast<QPushButton*>(nullptr);
        };
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        // before "修改" the Delete key does nothing
        dialog.grid().setCurrentIndex(dialog.model().index(0, 0));
        QTest::keyClick(&dialog.grid(), Qt::Key_Delete);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM 部门表"), QString("3"));

        button("修改")->click();
        QTest::keyClick(&dialog.grid(), Qt::Key_Delete);
        QCOMPARE(db.column("SELECT 部门编号 FROM 部门表 ORDER BY 部门编号"), (QStringList{"2", "2"}));

        // a row typed at the end is written when the dialog closes
        QVERIFY(dialog.model().setData(dialog.model().index(2, 0), "新部门"));
        button("返回")->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM 部门表 WHERE 部门名='新部门'"), QString("1"));
        QCOMPARE(confirmed, 0);
        QVERIFY(prompt.texts.isEmpty());
    }

    void arrowKeysFollowTheSwitch()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        addDepartments(db);
        GridDialog dialog("部门", "SELECT * FROM 部门表");
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTableView& grid = dialog.grid();
        grid.setCurrentIndex(dialog.model().index(0, 0));
        dialog.model().setAllowArrows(false);
        QTest::keyClick(&grid, Qt::Key_Down);
        QCOMPARE(grid.currentIndex().row(), 0);
        dialog.model().setAllowArrows(true);
        QTest::keyClick(&grid, Qt::Key_Down);
        QCOMPARE(grid.currentIndex().row(), 1);
    }
};

QTEST_MAIN(TestGridModel)
#include "tst_gridmodel.moc"
