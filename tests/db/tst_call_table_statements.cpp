#include "TestDatabase.h"

#include "db/CDatabase.h"
#include "db/CallTableStatements.h"
#include "db/SqlDialectText.h"

#include <QSqlQuery>
#include <QTest>

using namespace qalor;
using qalor::test::TestDatabase;

namespace {

const QString Period = QStringLiteral("日期>=? And 日期<=?");
const QVariantList March{QStringLiteral("240301"), QStringLiteral("240331")};

// A call of March 2024 (day, second), or of another month.
QString quotedOrNull(const QString& text)
{
    return text.isNull() ? QStringLiteral("NULL") : QLatin1Char('\'') + text + QLatin1Char('\'');
}

// A call (caller, date, time may be NULL).
QString callValues(const QString& caller, const QString& date, const QString& time, double charge = 1.5)
{
    return QStringLiteral("(%1,'02087654321',%2,%3,10205,0.5,3,%4,0,0.2,'广州',2)")
        .arg(quotedOrNull(caller), quotedOrNull(date), quotedOrNull(time))
        .arg(charge);
}

void insert(const TestDatabase& db, const QStringList& values)
{
    for (const QString& row : values)
        db.execute(QStringLiteral("INSERT INTO 话费表 VALUES ") + row);
}

// Calls of other months, as many as given.
QStringList otherMonths(int count)
{
    QStringList rows;
    for (int i = 0; i < count; ++i)
        rows << callValues(QString::number(7000 + i),
                           QStringLiteral("2402%1").arg(1 + i % 28, 2, 10, QChar('0')),
                           QStringLiteral("120000"));
    return rows;
}

// March: twins, a triple, rows equal but in one column, twins without a
// time or a caller, twins without a caller, and calls that are there once.
QStringList march()
{
    return {callValues("8001", "240301", "080000"),     callValues("8001", "240301", "080000"),
            callValues("8002", "240301", "080000"),     callValues("8001", "240301", "080000", 2.5),
            callValues("8003", "240315", "235959"),     callValues("8003", "240315", "235959"),
            callValues("8003", "240315", "235959"),     callValues(QString(), "240320", QString()),
            callValues(QString(), "240320", QString()), callValues("8004", "240331", "235959"),
            callValues("8005", "240331", "000000"),     callValues("8006", "240310", QString()),
            callValues(QString(), "240325", "101010"),  callValues(QString(), "240325", "101010")};
}

// Each row as text, sorted: two results compare as multisets.
QStringList rowsOf(CDatabase& db, const QString& sql, const QVariantList& values)
{
    QSqlQuery query = db.prepare(sql);
    for (const QVariant& value : values)
        query.addBindValue(value);
    CDatabase::exec(query);
    QStringList rows;
    while (query.next()) {
        QStringList cells;
        for (int column = 0; column < 12; ++column)
            cells << query.value(column).toString();
        rows << cells.join(QLatin1Char('|'));
    }
    rows.sort();
    return rows;
}

QVariantList repeated(const QVariantList& values, int times)
{
    QVariantList all;
    for (int i = 0; i < times; ++i)
        all += values;
    return all;
}

} // namespace

class TestCallTableStatements : public QObject
{
    Q_OBJECT
private slots:
    // The period's rows without their later copies are its distinct rows,
    // however the rows of the period lie among the others.
    void periodWithoutLaterCopiesIsItsDistinctRows_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("between");
        QTest::addColumn<int>("after");
        QTest::addColumn<bool>("inStorageOrder"); // SQLite reads the period between its first and last row
        QTest::newRow("the month together") << 30 << 0 << 30 << true;
        QTest::newRow("a few calls of other months between") << 5 << 3 << 5 << true;
        QTest::newRow("spread over the table") << 0 << 20 << 0 << false;
    }
    void periodWithoutLaterCopiesIsItsDistinctRows()
    {
        QFETCH(int, before);
        QFETCH(int, between);
        QFETCH(int, after);
        QFETCH(bool, inStorageOrder);
        TestDatabase data;
        insert(data, otherMonths(before));
        for (const QString& row : march()) {
            insert(data, {row});
            insert(data, otherMonths(between));
        }
        insert(data, otherMonths(after));
        CDatabase& db = CDatabase::shared();
        db.open();
        const SqlDialect dialect = db.dialect();

        const QString from = callRowsFrom(db, Period, March);
        if (dialect == SqlDialect::SQLite)
            QCOMPARE(from.contains(QStringLiteral("rowid BETWEEN")), inStorageOrder);
        copyDistinctCalls(db, QStringLiteral("HF"), Period, March);
        const QStringList kept = rowsOf(db, QStringLiteral("SELECT * FROM HF"), {});
        const QStringList distinct =
            rowsOf(db, QStringLiteral("SELECT DISTINCT * FROM 话费表 WHERE ") + Period, March);
        QCOMPARE(kept, distinct);
        QCOMPARE(kept.size(), 9);
        QCOMPARE(rowsOf(db, QStringLiteral("SELECT * FROM ") + from, March).size(), march().size());
    }

    // Later copies are only ever rows of the period: a twin of a selected
    // call outside the predicate is not one of them.
    void laterCopiesStayInsideThePredicate()
    {
        TestDatabase data;
        insert(data, {callValues("8001", "240301", "080000"), callValues("8001", "240301", "080000"),
                      callValues("8002", "240301", "080000"), callValues("8002", "240301", "080000")});
        CDatabase& db = CDatabase::shared();
        db.open();
        const QString oneCaller = QStringLiteral("日期>=? And 日期<=? And 主叫号=?");
        const QVariantList values = March + QVariantList{QStringLiteral("8001")};
        const QString copies = laterCallCopies(db.dialect(), oneCaller);
        QSqlQuery query =
            db.prepare(QStringLiteral("SELECT 主叫号 FROM 话费表 WHERE ") + rowIdColumn(db.dialect()) +
                       QStringLiteral(" IN (") + copies + QLatin1Char(')'));
        for (const QVariant& value : repeated(values, 2))
            query.addBindValue(value);
        CDatabase::exec(query);
        QStringList callers;
        while (query.next())
            callers << query.value(0).toString();
        // Either copy of 8002 may be named, never both, and 8001 once.
        QVERIFY2(callers.count(QStringLiteral("8001")) == 1, qPrintable(callers.join(',')));
        QVERIFY2(callers.count(QStringLiteral("8002")) <= 1, qPrintable(callers.join(',')));
    }

    // The settings for bulk work end with it: the page cache is the
    // connection's own again.
    void bulkWorkGivesTheCacheBack()
    {
        TestDatabase data;
        CDatabase& db = CDatabase::shared();
        db.open();
        if (db.dialect() != SqlDialect::SQLite)
            QSKIP("the page cache is SQLite's");
        db.execute(QStringLiteral("PRAGMA cache_size=-3000"));
        const auto cacheSize = [&] {
            QSqlQuery query = db.prepare(QStringLiteral("PRAGMA cache_size"));
            CDatabase::exec(query);
            return query.next() ? query.value(0).toInt() : 0;
        };
        {
            const BulkWork bulk(db);
            QVERIFY(cacheSize() < -3000);
        }
        QCOMPARE(cacheSize(), -3000);
    }
};

QTEST_GUILESS_MAIN(TestCallTableStatements)
#include "tst_call_table_statements.moc"
