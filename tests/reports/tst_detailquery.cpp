// The calls a detail-bill query selects from 话费表, walked with the forward
// cursor on the back end under test: period, caller, statistics type and
// called number, with typed values never read as SQL; long results read in
// batches, across commits of the same connection.

#include "RecordingPrompt.h"
#include "TestDatabase.h"

#include "db/CDatabase.h"
#include "reports/CallCursor.h"

#include <QSqlQuery>
#include <QTest>

using namespace qalor;
using qalor::test::TestDatabase;

Q_DECLARE_METATYPE(qalor::DetailQuery)

namespace {

void addCall(const TestDatabase& db, const QString& caller, const QString& callee, const QString& date,
             const QString& time, int countType)
{
    db.execute(QStringLiteral("INSERT INTO 话费表 VALUES ('%1','%2','%3','%4',125,0.3,3,0.9,0.2,0.1,'广州',%5)")
                   .arg(caller, QString(callee).replace(QLatin1Char('\''), QStringLiteral("''")), date, time)
                   .arg(countType));
}

void seed(const TestDatabase& db)
{
    addCall(db, "8002", "02012345678", "240101", "090000", 2);
    addCall(db, "8001", "02012345678", "240101", "090000", 2);
    addCall(db, "8001", "12%45", "231231", "235959", 1);
    addCall(db, "8001", "12345", "240131", "235959", 0);
    addCall(db, "8003", "12_45", "240115", "120000", 1);
    addCall(db, "", "114", "240110", "100000", 0);
    addCall(db, "8001", "114", "240201", "000000", 0);
    addCall(db, "8001", "' OR '1'='1", "240120", "080000", 3);
    addCall(db, "80?1''\\", "?'\\", "240121", "080000", 3);
}

DetailQuery january()
{
    DetailQuery query;
    query.start = QDate(2024, 1, 1);
    query.end = QDate(2024, 1, 31);
    return query;
}

QStringList walk(CallSource& calls)
{
    QStringList keys;
    CallRow row;
    calls.rewind();
    while (calls.next(row))
        keys << row.caller + QLatin1Char('|') + row.callee + QLatin1Char('|') + row.date + row.time;
    return keys;
}

} // namespace

class TestDetailQuery : public QObject
{
    Q_OBJECT
private slots:
    void selects_data()
    {
        QTest::addColumn<DetailQuery>("query");
        QTest::addColumn<QStringList>("calls");

        QTest::newRow("period, both ends included, sorted by date, time, caller")
            << january() << QStringList{"8001|02012345678|240101090000",
                                        "8002|02012345678|240101090000",
                                        "|114|240110100000",
                                        "8003|12_45|240115120000",
                                        "8001|' OR '1'='1|240120080000",
                                        "80?1'\\|?'\\|240121080000",
                                        "8001|12345|240131235959"};
        DetailQuery caller = january();
        caller.caller = QStringLiteral("8001");
        QTest::newRow("caller")
            << caller
            << QStringList{"8001|02012345678|240101090000", "8001|' OR '1'='1|240120080000",
                           "8001|12345|240131235959"};
        DetailQuery both = caller;
        both.countType = 2;
        QTest::newRow("caller and statistics type") << both << QStringList{"8001|02012345678|240101090000"};
        DetailQuery type = january();
        type.countType = 0;
        QTest::newRow("statistics type alone") << type
                                               << QStringList{"|114|240110100000", "8001|12345|240131235959"};
        DetailQuery empty = january();
        empty.caller = QString();
        QTest::newRow("empty caller confirmed: calls stored without a caller") << empty
                                                                                << QStringList{"|114|240110100000"};
        DetailQuery prefix = january();
        prefix.start = QDate(2023, 12, 1);
        prefix.callee = QStringLiteral("12");
        QTest::newRow("leading digits")
            << prefix << QStringList{"8001|12%45|231231235959", "8003|12_45|240115120000", "8001|12345|240131235959"};
        DetailQuery percent = prefix;
        percent.callee = QStringLiteral("12%");
        QTest::newRow("typed % is a percent sign") << percent << QStringList{"8001|12%45|231231235959"};
        DetailQuery underscore = prefix;
        underscore.callee = QStringLiteral("12_");
        QTest::newRow("typed _ is an underscore") << underscore << QStringList{"8003|12_45|240115120000"};
        DetailQuery whole = prefix;
        whole.callee = QStringLiteral("12345");
        whole.wholeCallee = true;
        QTest::newRow("whole number") << whole << QStringList{"8001|12345|240131235959"};
        DetailQuery quote = january();
        quote.callee = QStringLiteral("' OR '1'='1");
        quote.wholeCallee = true;
        QTest::newRow("quotes typed are text") << quote << QStringList{"8001|' OR '1'='1|240120080000"};
        DetailQuery quotePrefix = january();
        quotePrefix.callee = QStringLiteral("' OR 1=1 --");
        QTest::newRow("quotes typed as leading digits") << quotePrefix << QStringList{};
        DetailQuery marks = january();
        marks.caller = QStringLiteral("80?1'\\");
        QTest::newRow("question marks, quotes and backslashes typed are text")
            << marks << QStringList{"80?1'\\|?'\\|240121080000"};
        DetailQuery marksPrefix = january();
        marksPrefix.callee = QStringLiteral("?'\\");
        QTest::newRow("the same as leading digits")
            << marksPrefix << QStringList{"80?1'\\|?'\\|240121080000"};
        DetailQuery reversed = january();
        std::swap(reversed.start, reversed.end);
        QTest::newRow("start after end") << reversed << QStringList{};
    }
    void selects()
    {
        QFETCH(DetailQuery, query);
        QFETCH(QStringList, calls);
        TestDatabase db;
        seed(db);
        CallCursor cursor(query);
        QCOMPARE(walk(cursor), calls);
        // Running it again gives the same calls.
        QCOMPARE(walk(cursor), calls);
    }

    void readsEveryColumn()
    {
        TestDatabase db;
        seed(db);
        DetailQuery query = january();
        query.callee = QStringLiteral("12345");
        query.wholeCallee = true;
        CallCursor cursor(query);
        cursor.rewind();
        CallRow row;
        QVERIFY(cursor.next(row));
        QCOMPARE(row.caller, QStringLiteral("8001"));
        QCOMPARE(row.date, QStringLiteral("240131"));
        QCOMPARE(row.time, QStringLiteral("235959"));
        QCOMPARE(row.duration, 125.0f);
        QCOMPARE(row.rate, 0.3f);
        QCOMPARE(row.units, 3.0f);
        QCOMPARE(row.charge, 0.9f);
        QCOMPARE(row.service, 0.2f);
        QCOMPARE(row.surcharge, 0.1f);
        QCOMPARE(row.destination, QStringLiteral("广州"));
        QCOMPARE(row.countType, 0);
        QVERIFY(!cursor.next(row));
        QVERIFY(!cursor.next(row));
    }

    // Past a batch of a server cursor, with calls stored and committed on
    // the same connection between pages; a cursor let go mid-way ends its
    // statement on the server too.
    void longResultsAcrossCommits()
    {
        TestDatabase data;
        const int calls = 1203;
        data.execute(
            QStringLiteral("INSERT INTO 话费表 VALUES ('8001','114','240115','000000',125,0.3,3,0.9,0.2,0.1,"
                           "'广州',0)"));
        for (int doubled = 1; doubled < calls; doubled *= 2)
            data.execute(
                QStringLiteral("INSERT INTO 话费表 SELECT * FROM 话费表 LIMIT %1").arg(calls - doubled));
        QCOMPARE(data.scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")), QString::number(calls));
        CDatabase& db = CDatabase::shared();
        CallCursor cursor(january());
        cursor.rewind();
        CallRow row;
        int read = 0;
        while (cursor.next(row)) {
            if (++read % 300 == 0) {
                CTransaction transaction(db);
                db.execute(
                    QStringLiteral("INSERT INTO 话费表 VALUES ('8002','114','240301','000000',125,0.3,3,0.9,"
                                   "0.2,0.1,'广州',0)"));
                transaction.commit();
            }
        }
        QCOMPARE(read, calls);

        {
            CallCursor letGo(january());
            letGo.rewind();
            QVERIFY(letGo.next(row));
        }
        if (TestDatabase::isPostgres()) {
            QSqlQuery open = db.prepare(QStringLiteral("SELECT COUNT(*) FROM pg_cursors WHERE name<>''"));
            CDatabase::exec(open);
            QVERIFY(open.next());
            QCOMPARE(open.value(0).toInt(), 0);
        }
    }

    void missingTableRaisesTheDriverText()
    {
        TestDatabase db;
        db.execute(QStringLiteral("DROP TABLE 话费表"));
        CallCursor cursor(january());
        try {
            cursor.rewind();
            QFAIL("the query ran without its table");
        } catch (const DbError& error) {
            QVERIFY(!error.message().isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestDetailQuery)
#include "tst_detailquery.moc"
