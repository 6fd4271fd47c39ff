#include "TestDatabase.h"

#include "db/BatchRowWriter.h"
#include "db/MappingClasses.h"
#include "db/SchemaBuilder.h"

#include <QTest>

using namespace qalor;
using qalor::test::TestDatabase;

namespace {

// A value for every column that differs per column, so that a column landing
// in another column's place shows.
QVariant sampleValue(const ColumnDef& column, int index)
{
    switch (column.type) {
    case ColumnType::Text:
        return QStringLiteral("值%1'x").arg(index);
    case ColumnType::Int16:
        return -300 - index;
    case ColumnType::Int32:
        return 70000 + index;
    case ColumnType::Single:
        return float(0.1 + index);
    case ColumnType::Double:
        return 1234567.125 + index;
    case ColumnType::Bit:
        return 1;
    }
    return {};
}

template <class Set>
void roundTrip()
{
    Set writer;
    writer.setFilter(QStringLiteral("1=0"));
    writer.open();
    QCOMPARE(writer.recordCount(), 0);
    writer.addNew();
    for (int i = 0; i < writer.columnCount(); ++i)
        if (!writer.columnDef(i).autoNumber)
            writer.setValue(i, sampleValue(writer.columnDef(i), i));
    writer.update();
    writer.close();

    Set reader;
    reader.open();
    QVERIFY2(reader.recordCount() >= 1, qPrintable(reader.table().name));
    // the new row is the one whose first text or number column matches; scan for it
    bool found = false;
    for (reader.moveFirst(); !reader.isEOF(); reader.moveNext()) {
        bool all = true;
        for (int i = 0; i < reader.columnCount(); ++i) {
            if (reader.columnDef(i).autoNumber)
                continue;
            const QVariant expected = CRecordSet::normalize(reader.columnDef(i).type,
                                                            sampleValue(reader.columnDef(i), i));
            if (reader.value(i) != expected)
                all = false;
        }
        found = found || all;
    }
    QVERIFY2(found, qPrintable(reader.table().name + QStringLiteral(": row not read back column for column")));
}

} // namespace

class TestRecordSets : public QObject
{
    Q_OBJECT
private slots:
    void everyMappingClassRoundTripsEveryColumn()
    {
        TestDatabase db;
        roundTrip<CCallCostSet>();
        roundTrip<CRateSet>();
        roundTrip<CRate31Set>();
        roundTrip<CTimeDiscSet>();
        roundTrip<CDayDiscSet>();
        roundTrip<CWeekDiscSet>();
        roundTrip<CCallTypeSet>();
        roundTrip<CCallerCosSet>();
        roundTrip<CSelectTrunkSet>();
        roundTrip<CCountTypeSet>();
        roundTrip<CCdrSetingSet>();
        roundTrip<CCdrSet>();
        roundTrip<CCdrSaveSet>();
        roundTrip<CComPortSet>();
        roundTrip<CDialCodeTable>();
        roundTrip<CUserSet>();
        roundTrip<CDepartSet>();
        roundTrip<CTJSet>();
        roundTrip<CBmtjSet>();
        roundTrip<CTempCountSet>();
        roundTrip<CCountHistorySet>();
        roundTrip<CHotalSet>();
        roundTrip<CHotalSetSet>();
        roundTrip<CStationChangeInfoSet>();
        roundTrip<CPWSet>();
        roundTrip<CLoginfoSet>();
    }

    void tjBindsDepartmentNameLastButStoresItSixth()
    {
        TestDatabase db;
        db.execute(QStringLiteral("INSERT INTO tj VALUES ('8001','张三',15,0,3,'工程部',1.5,2.5,3.5,4.5)"));
        CTJSet tj;
        tj.open();
        QCOMPARE(tj.recordCount(), 1);
        QCOMPARE(tj.text(CTJSet::DepartmentName), QStringLiteral("工程部"));
        QCOMPARE(tj.real(CTJSet::Information), 4.5);
        QCOMPARE(tj.integer(CTJSet::Department), 3);
    }

    void callRowSurvivesCopiesThroughBackupAndWorkTables()
    {
        TestDatabase db;
        {
            CCallCostSet calls;
            calls.setFilter(QStringLiteral("主叫号=NULL"));
            calls.open();
            calls.addNew();
            for (int i = 0; i < calls.columnCount(); ++i)
                calls.setValue(i, sampleValue(calls.columnDef(i), i));
            calls.update();
        }
        db.execute(QStringLiteral("INSERT INTO 话费表备份 SELECT * FROM 话费表"));
        db.execute(QStringLiteral("INSERT INTO HF SELECT * FROM 话费表备份"));
        db.execute(QStringLiteral("DELETE FROM 话费表"));
        db.execute(QStringLiteral("INSERT INTO 话费表 SELECT * FROM HF"));
        CCallCostSet calls;
        calls.open();
        QCOMPARE(calls.recordCount(), 1);
        for (int i = 0; i < calls.columnCount(); ++i)
            QCOMPARE(calls.value(i), CRecordSet::normalize(calls.columnDef(i).type, sampleValue(calls.columnDef(i), i)));
    }

    void filterSortAndEditChangeOnlyTheCurrentRow()
    {
        TestDatabase db;
        db.execute(QStringLiteral("INSERT INTO 费率表 VALUES ('07',0.5,'A',60,1,0,2)"));
        db.execute(QStringLiteral("INSERT INTO 费率表 VALUES ('0755',0.3,'B',60,1,0,2)"));
        db.execute(QStringLiteral("INSERT INTO 费率表 VALUES ('0755',0.3,'B',60,1,0,2)"));
        CRateSet rates;
        rates.setSort(QStringLiteral("区号 DESC,折扣类型"));
        rates.open();
        QCOMPARE(rates.recordCount(), 3);
        QCOMPARE(rates.text(CRateSet::Prefix), QStringLiteral("0755"));
        rates.edit();
        rates.setValue(CRateSet::Area, QStringLiteral("深圳"));
        rates.update();
        // The open set reads the row as written, here and after moving on and back.
        QCOMPARE(rates.text(CRateSet::Area), QStringLiteral("深圳"));
        rates.moveNext();
        QCOMPARE(rates.text(CRateSet::Area), QStringLiteral("B"));
        rates.moveFirst();
        QCOMPARE(rates.text(CRateSet::Area), QStringLiteral("深圳"));
        QCOMPARE(rates.single(CRateSet::Rate), 0.3f);
        QCOMPARE(rates.recordCount(), 3);
        rates.close();

        rates.setFilter(QStringLiteral("地区='深圳'"));
        rates.open();
        QCOMPARE(rates.recordCount(), 1); // its twin row is untouched
        rates.setFilter(QStringLiteral("区号='0755'"));
        rates.open();
        QCOMPARE(rates.recordCount(), 2);
    }

    void repeatedEditsOfOneRowAllLandAndAVanishedRowIsAnError()
    {
        TestDatabase db;
        db.execute(QStringLiteral("INSERT INTO 串口表 VALUES (1)")); // a twin of the default row
        CComPortSet ports;
        ports.open();
        QCOMPARE(ports.recordCount(), 2);
        // The same row edited twice while the set stays open (a PostgreSQL
        // row moves to a new address on every update).
        for (int port : {2, 3}) {
            ports.edit();
            ports.setValue(CComPortSet::Port, port);
            ports.update();
        }
        QCOMPARE(db.column(QStringLiteral("SELECT 串口号 FROM 串口表 ORDER BY 串口号")),
                 (QStringList{QStringLiteral("1"), QStringLiteral("3")}));

        // A row deleted by someone else since the set was opened: the edit is
        // not silently lost.
        db.execute(QStringLiteral("DELETE FROM 串口表 WHERE 串口号=3"));
        ports.edit();
        ports.setValue(CComPortSet::Port, 4);
        QVERIFY_THROWS_EXCEPTION(DbError, ports.update());
        QCOMPARE(db.column(QStringLiteral("SELECT 串口号 FROM 串口表")), QStringList{QStringLiteral("1")});
    }

    void openingAMissingTableRaisesTheDriverText()
    {
        TestDatabase db;
        db.execute(QStringLiteral("DROP TABLE 串口表"));
        CComPortSet ports;
        try {
            ports.open();
            QFAIL("no error raised");
        } catch (const DbError& error) {
            QVERIFY(!error.message().isEmpty());
        }
    }

    void schemaToolNeverTouchesExistingTables()
    {
        TestDatabase db;
        db.execute(QStringLiteral("INSERT INTO 费率表 VALUES ('010',0.07,'北京',6,2,0,2)"));
        db.execute(QStringLiteral("DROP TABLE 电话查询"));
        SchemaBuilder builder(CDatabase::shared());
        QCOMPARE(builder.createMissing(QStringLiteral("other"), false), QStringList{QStringLiteral("电话查询")});
        QCOMPARE(builder.createMissing(QStringLiteral("other"), false), QStringList());
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM 费率表")), QStringLiteral("1"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT 口令 FROM 管理员口令表 WHERE 管理员名='Headkeeper'")),
                 QStringLiteral("secret"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM CDR字段定义表")), QStringLiteral("27"));
    }

    void auditIdsAreNumberedByTheDatabase()
    {
        TestDatabase db;
        for (int i = 0; i < 2; ++i) {
            CLoginfoSet log;
            log.setFilter(QStringLiteral("ID=0"));
            log.open();
            log.addNew();
            log.setValue(CLoginfoSet::Name, QStringLiteral("无"));
            log.update();
        }
        QCOMPARE(db.column(QStringLiteral("SELECT ID FROM LOGINFO ORDER BY ID")).size(), 2);
        QVERIFY(db.scalar(QStringLiteral("SELECT COUNT(DISTINCT ID) FROM LOGINFO")) == QStringLiteral("2"));
    }

    void batchWriterStoresEveryRowColumnForColumn_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("perStatement");
        QTest::newRow("none") << 0 << 4;
        QTest::newRow("one") << 1 << 4;
        QTest::newRow("one short of a statement") << 3 << 4;
        QTest::newRow("exactly a statement") << 4 << 4;
        QTest::newRow("one past a statement") << 5 << 4;
        QTest::newRow("several statements and a rest") << 11 << 4;
        QTest::newRow("one row a statement") << 3 << 1;
    }
    void batchWriterStoresEveryRowColumnForColumn()
    {
        QFETCH(int, rows);
        QFETCH(int, perStatement);
        TestDatabase db;
        const TableDef& table = Tables::callCost();
        {
            CTransaction transaction(CDatabase::shared());
            BatchRowWriter writer(CDatabase::shared(), table, perStatement);
            for (int row = 0; row < rows; ++row) {
                QVariantList values;
                for (int i = 0; i < table.columnCount(); ++i)
                    values << sampleValue(table.column(i), i * 100 + row);
                writer.append(values);
            }
            QCOMPARE(writer.waiting(), rows % perStatement);
            writer.flush();
            QCOMPARE(writer.waiting(), 0);
            transaction.commit();
        }
        CCallCostSet reader;
        reader.setSort(QStringLiteral("通话费"));
        reader.open();
        QCOMPARE(reader.recordCount(), rows);
        for (int row = 0; row < rows; ++row, reader.moveNext())
            for (int i = 0; i < reader.columnCount(); ++i)
                QCOMPARE(reader.value(i),
                         CRecordSet::normalize(reader.columnDef(i).type,
                                               sampleValue(reader.columnDef(i), i * 100 + row)));
    }

    void batchWriterRowsGoWithARolledBackTransaction()
    {
        TestDatabase db;
        const TableDef& table = Tables::callCost();
        QVariantList values;
        for (int i = 0; i < table.columnCount(); ++i)
            values << sampleValue(table.column(i), i);
        {
            CTransaction transaction(CDatabase::shared());
            BatchRowWriter writer(CDatabase::shared(), table, 2);
            writer.append(values);
            writer.append(values); // a full statement: written, then rolled back
            writer.append(values); // waiting: never written
        }
        CCallCostSet reader;
        reader.open();
        QCOMPARE(reader.recordCount(), 0);

        // A statement the data source refuses raises the driver's text and
        // leaves nothing waiting.
        db.execute(TestDatabase::isPostgres()
                       ? "ALTER TABLE 话费表 ADD CONSTRAINT no_calls CHECK (通话费 < 0)"
                       : "CREATE TRIGGER no_calls BEFORE INSERT ON 话费表 BEGIN SELECT RAISE(ABORT, 'no "
                         "calls'); END");
        CTransaction transaction(CDatabase::shared());
        BatchRowWriter writer(CDatabase::shared(), table, 5);
        writer.append(values);
        QVERIFY_THROWS_EXCEPTION(DbError, writer.flush());
        QCOMPARE(writer.waiting(), 0);
    }

    void transactionRollsBackEverything()
    {
        TestDatabase db;
        CDatabase& shared = CDatabase::shared();
        {
            CTransaction transaction(shared);
            shared.execute(QStringLiteral("DELETE FROM CDR字段定义表"));
        }
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM CDR字段定义表")), QStringLiteral("27"));

        // An inner block that gives up takes the whole transaction with it,
        // and the outer commit says so instead of reporting success.
        {
            CTransaction outer(shared);
            shared.execute(QStringLiteral("DELETE FROM 串口表"));
            {
                CTransaction inner(shared);
                shared.execute(QStringLiteral("DELETE FROM CDR字段定义表"));
            }
            shared.execute(QStringLiteral("DELETE FROM CDRSave"));
            QVERIFY_THROWS_EXCEPTION(DbError, outer.commit());
        }
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM 串口表")), QStringLiteral("1"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM CDR字段定义表")), QStringLiteral("27"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM CDRSave")), QStringLiteral("1"));
        QVERIFY(!shared.inTransaction());
    }
};

QTEST_GUILESS_MAIN(TestRecordSets)
#include "tst_recordsets.moc"
