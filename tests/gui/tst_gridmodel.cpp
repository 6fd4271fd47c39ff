#include "RecordingPrompt.h"
#include "TestDatabase.h"

#include "gui/GridDialog.h"
#include "gui/GridModel.h"

#include <QApplication>
#include <QLineEdit>
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

    // Amounts of money show their cents, never a raw float; rates and
    // ratios show every digit they hold, and editing shows all of them.
    void moneyShowsCentsParametersEveryDigit_data()
    {
        QTest::addColumn<QString>("insert");
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("edited");
        QTest::newRow("statistics result") << "INSERT INTO tj (电话号码,市话) VALUES ('8001',131.19399998663)"
                                           << "SELECT * FROM  TJ ORDER BY 部门编号,电话号码" << 6 << "131.19"
                                           << "131.19399998663";
        QTest::newRow("unregistered callers") << "INSERT INTO 临时统计表 VALUES ('9001',1,2.675)"
                                              << "SELECT * FROM 临时统计表 WHERE 费用>0 ORDER BY 主叫号" << 2
                                              << "2.67" << "2.675";
        QTest::newRow("department totals") << "INSERT INTO BMTJ (部门编号,长途) VALUES (1,96822.44)"
                                           << "SELECT * FROM  BMTJ ORDER BY 部门编号" << 5 << "96822.44"
                                           << "96822.44";
        QTest::newRow("deposit") << "INSERT INTO 宾馆管理表 (分机号,押金) VALUES ('8001',50)"
                                 << "SELECT * FROM 宾馆管理表" << 9 << "50.00" << "50";
        QTest::newRow("service ratio keeps its digits") << "INSERT INTO 宾馆管理表 (分机号,服务费比例) VALUES ('8001',0.15)"
                                                        << "SELECT * FROM 宾馆管理表" << 8 << "0.15" << "0.15";
        QTest::newRow("management ratio") << "INSERT INTO 部门表 (部门名,部门编号,管理费比率) VALUES ('a',1,0.125)"
                                          << "SELECT * FROM 部门表" << 2 << "0.125" << "0.125";
        QTest::newRow("rate keeps its digits") << "INSERT INTO 费率表 (区号,费率) VALUES ('0755',0.0375)"
                                               << "SELECT * FROM 费率表" << 1 << "0.0375" << "0.0375";
    }
    void moneyShowsCentsParametersEveryDigit()
    {
        QFETCH(QString, insert);
        QFETCH(QString, source);
        QFETCH(int, column);
        QFETCH(QString, shown);
        QFETCH(QString, edited);
        TestDatabase db;
        RecordingPrompt prompt;
        db.execute(insert);
        GridModel model;
        model.setRecordSource(source);
        QVERIFY(model.refresh());
        QCOMPARE(model.recordCount(), 1);
        QCOMPARE(model.data(model.index(0, column)).toString(), shown);
        QCOMPARE(model.data(model.index(0, column), Qt::EditRole).toString(), edited);
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
        // rows 1 and 2 are twins; change the second one, cell by cell
        QVERIFY(model.setData(model.index(2, 0), "审计部"));
        QVERIFY(model.setData(model.index(2, 2), "0.75"));
        QCOMPARE(model.unwrittenRow(), 2);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM 部门表 WHERE 部门名='审计部'"), QString("0")); // not yet
        QVERIFY(model.setData(model.index(2, 1), 7));
        QVERIFY(model.writeRow());
        QCOMPARE(model.unwrittenRow(), -1);
        QCOMPARE(db.column("SELECT 部门名 FROM 部门表 WHERE 部门编号=2"), QStringList{"财务部"});
        QCOMPARE(db.scalar("SELECT 部门名 FROM 部门表 WHERE 部门编号=7"), QString("审计部"));
        QCOMPARE(db.scalar("SELECT 管理费比率 FROM 部门表 WHERE 部门编号=7").toDouble(), 0.75);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM 部门表"), QString("3"));
        QCOMPARE(model.value(2, 1), QVariant(7));
        // changed again (a PostgreSQL row moves on update): still the same row
        QVERIFY(model.setData(model.index(2, 1), 8));
        QVERIFY(model.writeRow());
        QCOMPARE(db.column("SELECT 部门编号 FROM 部门表 ORDER BY 部门编号"), (QStringList{"1", "2", "8"}));

        // touching another row writes the one being changed first
        QVERIFY(model.setData(model.index(0, 0), "总务科"));
        QVERIFY(model.setData(model.index(1, 0), "财务科"));
        QCOMPARE(db.scalar("SELECT 部门名 FROM 部门表 WHERE 部门编号=1"), QString("总务科"));
        model.abandonRow();
        QCOMPARE(model.data(model.index(1, 0)).toString(), QString("财务部"));
        QVERIFY(prompt.texts.isEmpty());
    }

    // Values the column cannot hold are refused with the column named and
    // nothing is written.
    void badValuesAreRefusedByName_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("message");
        const QString number = QStringLiteral("列“部门编号”只能填入-32768到32767之间的整数.");
        QTest::newRow("text in a number column") << 1 << QVariant("abc") << number;
        QTest::newRow("fraction in a whole column") << 1 << QVariant("1.5") << number;
        QTest::newRow("above a 16-bit column") << 1 << QVariant("32768") << number;
        QTest::newRow("below a 16-bit column") << 1 << QVariant("-32769") << number;
        QTest::newRow("text in a real column")
            << 2 << QVariant("x") << QStringLiteral("列“管理费比率”只能填入数字.");
        QTest::newRow("beyond a single") << 2 << QVariant("1e39") << QStringLiteral("列“管理费比率”只能填入数字.");
        QTest::newRow("text too long") << 0 << QVariant(QString(256, QChar(0x90e8)))
                                       << QStringLiteral("列“部门名”只能填入最多255个字符的文字.");
    }
    void badValuesAreRefusedByName()
    {
        QFETCH(int, column);
        QFETCH(QVariant, value);
        QFETCH(QString, message);
        TestDatabase db;
        RecordingPrompt prompt;
        addDepartments(db);
        GridModel model;
        model.setRecordSource("SELECT * FROM 部门表 ORDER BY 部门编号");
        QVERIFY(model.refresh());
        model.setAllowUpdate(true);
        model.setAllowAddNew(true);
        QVERIFY(!model.setData(model.index(0, column), value));
        QVERIFY(!model.setData(model.index(3, column), value)); // the new row likewise
        QCOMPARE(prompt.texts, (QStringList{message, message}));
        QCOMPARE(model.unwrittenRow(), -1);
        QVERIFY(model.writeRow());
        QCOMPARE(db.column("SELECT 部门编号 FROM 部门表 ORDER BY 部门编号"), (QStringList{"1", "2", "2"}));
        // the limits themselves are taken
        QVERIFY(model.setData(model.index(0, 1), "-32768"));
        QVERIFY(model.setData(model.index(0, 0), QString(255, QChar(0x90e8))));
        QVERIFY(model.writeRow());
        QCOMPARE(db.scalar("SELECT MIN(部门编号) FROM 部门表"), QString("-32768"));
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
        QVERIFY(model.submit()); // the view's per-cell submit writes nothing
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM 部门表"), QString("3")); // written when the row is left
        QVERIFY(model.writeRow());
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM 部门表"), QString("4"));
        QCOMPARE(db.scalar("SELECT 部门编号 FROM 部门表 WHERE 部门名='保卫科'''"), QString("0"));
        QCOMPARE(model.recordCount(), 4);
        QCOMPARE(model.rowCount(), 5);
        // the new row can be changed at once
        model.setAllowUpdate(true);
        QVERIFY(model.setData(model.index(3, 1), 9));
        QVERIFY(model.writeRow());
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
        QVERIFY(model.writeRow());
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
        QVERIFY(model.setData(model.index(2, 0), "x"));
        QVERIFY(!model.writeRow());
        QCOMPARE(model.recordCount(), 2);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM 部门表 WHERE 部门名='x'"), QString("0"));
        QVERIFY(prompt.texts.isEmpty());

        // a refused write shows the driver's text and keeps the typed row
        db.execute("DROP TABLE 部门表");
        QVERIFY(model.setData(model.index(0, 0), "x"));
        QVERIFY(!model.writeRow());
        QCOMPARE(prompt.texts.size(), 1);
        QVERIFY2(prompt.texts.first().contains(QStringLiteral("部门表")), qPrintable(prompt.texts.first()));
        QCOMPARE(model.recordCount(), 2);
        QCOMPARE(model.unwrittenRow(), 0);
        QCOMPARE(model.data(model.index(0, 0)).toString(), QString("x"));
        QVERIFY(!model.refresh()); // refreshing would lose it: refused as well

        prompt.texts.clear();
        model.abandonRow();
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
        dialog.grid().selectRow(0);
        QTest::keyClick(&dialog.grid(), Qt::Key_Delete);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM 部门表"), QString("3"));

        button("修改")->click();
        // on a single cell the Delete key keeps the row
        dialog.grid().setCurrentIndex(dialog.model().index(0, 0));
        QTest::keyClick(&dialog.grid(), Qt::Key_Delete);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM 部门表"), QString("3"));
        QVERIFY(prompt.texts.isEmpty());
        // rows selected whole are deleted after the question, unless it is cancelled
        dialog.grid().selectRow(0);
        prompt.answers = {false};
        QTest::keyClick(&dialog.grid(), Qt::Key_Delete);
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM 部门表"), QString("3"));
        dialog.grid().selectRow(0);
        dialog.grid().selectionModel()->select(dialog.model().index(1, 0),
                                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QTest::keyClick(&dialog.grid(), Qt::Key_Delete);
        QCOMPARE(prompt.texts, (QStringList{"确实要删除选定的1行记录吗?", "确实要删除选定的2行记录吗?"}));
        QCOMPARE(db.column("SELECT 部门编号 FROM 部门表 ORDER BY 部门编号"), QStringList{"2"});
        prompt.texts.clear();

        // a row typed at the end is written when the dialog closes
        QVERIFY(dialog.model().setData(dialog.model().index(1, 0), "新部门"));
        button("返回")->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM 部门表 WHERE 部门名='新部门'"), QString("1"));
        QCOMPARE(confirmed, 0);
        QVERIFY(prompt.texts.isEmpty());
    }

    // Typing a new row through the grid's editors: Enter in the first column
    // writes nothing, Enter in the last column writes the row; Esc cancels
    // the cell, a second Esc abandons the row; leaving a changed row writes it.
    void typingRowsThroughTheGrid()
    {
        TestDatabase db;
        RecordingPrompt prompt;
        addDepartments(db);
        GridDialog dialog("部门", "Select * from 部门表 ORDER BY 部门编号");
        dialog.model().setAllowAddNew(true);
        dialog.model().setAllowUpdate(true);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTableView& grid = dialog.grid();
        GridModel& model = dialog.model();
        auto type = [&](int row, int column, const QString& text, Qt::Key end) {
            grid.setCurrentIndex(model.index(row, column));
            grid.edit(model.index(row, column));
            auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            QVERIFY(editor);
            editor->setText(text); // typed Chinese cannot be simulated key by key
            QTest::keyClick(editor, end);
            QCoreApplication::processEvents();
        };
        auto count = [&] { return db.scalar("SELECT COUNT(*) FROM 部门表"); };

        type(3, 0, "保卫科", Qt::Key_Return);
        QCOMPARE(count(), QString("3"));
        QCOMPARE(model.data(model.index(3, 0)).toString(), QString("保卫科"));
        type(3, 1, "12", Qt::Key_Return);
        QCOMPARE(count(), QString("3"));
        type(3, 2, "0.5", Qt::Key_Return); // the last column
        QCOMPARE(count(), QString("4"));
        QCOMPARE(db.scalar("SELECT 部门名 FROM 部门表 WHERE 部门编号=12"), QString("保卫科"));
        QCOMPARE(model.rowCount(), 5);

        // Esc in the editor cancels the cell; a second Esc abandons the row
        type(4, 0, "临时", Qt::Key_Return);
        type(4, 1, "99", Qt::Key_Escape);
        QCOMPARE(model.data(model.index(4, 0)).toString(), QString("临时"));
        QCOMPARE(model.data(model.index(4, 1)).toString(), QString());
        QTest::keyClick(&grid, Qt::Key_Escape);
        QCOMPARE(model.data(model.index(4, 0)).toString(), QString());
        QCOMPARE(model.unwrittenRow(), -1);
        QVERIFY(dialog.isVisible());

        // a changed row is written when the person moves to another row
        type(0, 0, "总务科", Qt::Key_Return);
        QCOMPARE(db.scalar("SELECT 部门名 FROM 部门表 WHERE 部门编号=1"), QString("总务处"));
        grid.setCurrentIndex(model.index(1, 0));
        QCOMPARE(db.scalar("SELECT 部门名 FROM 部门表 WHERE 部门编号=1"), QString("总务科"));
        QCOMPARE(count(), QString("4"));
        QVERIFY(prompt.texts.isEmpty());

        // a typed row the database refuses stays, and so does the dialog
        type(4, 0, "另一个", Qt::Key_Return);
        db.execute("DROP TABLE 部门表");
        dialog.reject();
        QVERIFY(dialog.isVisible());
        QCOMPARE(prompt.texts.size(), 1);
        QCOMPARE(model.data(model.index(4, 0)).toString(), QString("另一个"));
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
