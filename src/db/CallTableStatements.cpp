#include "db/CallTableStatements.h"

#include "db/SqlDialectText.h"
#include "db/TableRegistry.h"

#include <QSqlQuery>

namespace qalor {

namespace {

// Reading a row in storage order costs about a tenth of looking it up from
// the date index: storage order pays while the span holds no more than this
// many rows for each row of the period.
constexpr qint64 SpanRowsPerPeriodRow = 8;

QString partitionColumns()
{
    QStringList columns;
    for (const ColumnDef& column : Tables::callCost().columns)
        columns << column.name;
    columns.move(columns.indexOf(QStringLiteral("日期")), 0);
    columns.move(columns.indexOf(QStringLiteral("时间")), 1);
    return columns.join(QLatin1Char(','));
}

} // namespace

QString laterCallCopies(SqlDialect dialect, const QString& predicate)
{
    const QString condition = QLatin1Char('(') + predicate + QLatin1Char(')');
    const QString repeatedMoments = QStringLiteral("(SELECT 日期 AS d, 时间 AS t FROM 话费表 WHERE ") +
                                    condition + QStringLiteral(" GROUP BY 日期, 时间 HAVING COUNT(*)>1) g");
    // The rows of each repeated moment, looked up on the index one moment
    // at a time. Rows there that the predicate does not select can only
    // equal each other, never a selected row.
    QString sameMoment;
    if (dialect == SqlDialect::PostgreSQL) {
        // Held to looking them up so (OFFSET 0 keeps the lookup from being
        // merged into a join): PostgreSQL takes the few repeated moments for
        // many and would read the whole table instead.
        sameMoment = QStringLiteral("SELECT c.* FROM ") + repeatedMoments +
                     QStringLiteral(" CROSS JOIN LATERAL (SELECT ctid AS r, * FROM 话费表 WHERE 日期=g.d AND "
                                    "时间=g.t OFFSET 0) c");
    } else {
        // SQLite sorts these rows by every column for the numbering; at a
        // busy site more than half of a month's calls share their second
        // with another call. Only the rows that also share caller and
        // called number go there, looked up again on the date index (the
        // unary + keeps the caller index out of it).
        const QString sameCall =
            QStringLiteral("(SELECT c.日期 AS d, c.时间 AS t, c.主叫号 AS a, c.被叫号 AS b FROM ") +
            repeatedMoments +
            QStringLiteral(
                " JOIN 话费表 c ON c.日期=g.d AND c.时间=g.t GROUP BY c.日期, c.时间, c.主叫号, c.被叫号 "
                "HAVING COUNT(*)>1) k");
        sameMoment = QStringLiteral("SELECT c.rowid AS r, c.* FROM ") + sameCall +
                     QStringLiteral(" JOIN 话费表 c ON c.日期=k.d AND c.时间=k.t AND +c.主叫号 IS k.a AND "
                                    "+c.被叫号 IS k.b");
    }
    const QString withoutTime = QStringLiteral("SELECT ") + rowIdColumn(dialect) +
                                QStringLiteral(" AS r, * FROM 话费表 WHERE ") + condition +
                                QStringLiteral(" AND 时间 IS NULL");
    return QStringLiteral("SELECT r FROM (SELECT r, ROW_NUMBER() OVER (PARTITION BY ") + partitionColumns() +
           QStringLiteral(") AS n FROM (") + sameMoment + QStringLiteral(" UNION ALL ") + withoutTime +
           QStringLiteral(") candidates) copies WHERE n>1");
}

void emptyWorkTable(CDatabase& db, const QString& table)
{
    // PostgreSQL deletes row by row and keeps the dead rows until they are
    // vacuumed; TRUNCATE drops them at once (and is undone by a rollback),
    // where this login may use it.
    if (db.dialect() == SqlDialect::PostgreSQL) {
        QSqlQuery allowed = db.prepare(QStringLiteral("SELECT has_table_privilege(?, 'TRUNCATE')"));
        allowed.addBindValue(table);
        CDatabase::exec(allowed);
        if (allowed.next() && allowed.value(0).toBool()) {
            db.execute(QStringLiteral("TRUNCATE ") + table);
            return;
        }
    }
    db.execute(QStringLiteral("DELETE FROM ") + table);
}

QString callRowsFrom(CDatabase& db, const QString& predicate, const QVariantList& values)
{
    const QString condition = QLatin1Char('(') + predicate + QLatin1Char(')');
    const QString byIndex = QStringLiteral("话费表 WHERE ") + condition;
    if (db.dialect() != SqlDialect::SQLite)
        return byIndex; // PostgreSQL reads the rows it finds in storage order by itself
    QSqlQuery span =
        db.prepare(QStringLiteral("SELECT MIN(rowid), MAX(rowid), COUNT(*) FROM 话费表 WHERE ") + condition);
    for (const QVariant& value : values)
        span.addBindValue(value);
    CDatabase::exec(span);
    if (!span.next())
        return byIndex;
    const qint64 first = span.value(0).toLongLong();
    const qint64 last = span.value(1).toLongLong();
    const qint64 rows = span.value(2).toLongLong();
    if (rows == 0 || last - first + 1 > SpanRowsPerPeriodRow * rows)
        return byIndex;
    return QStringLiteral("话费表 NOT INDEXED WHERE rowid BETWEEN %1 AND %2 AND ").arg(first).arg(last) +
           condition;
}

void copyDistinctCalls(CDatabase& db, const QString& table, const QString& predicate,
                       const QVariantList& values)
{
    const SqlDialect dialect = db.dialect();
    QSqlQuery copy =
        db.prepare(QStringLiteral("INSERT INTO ") + table + QStringLiteral(" SELECT * FROM ") +
                   callRowsFrom(db, predicate, values) + QStringLiteral(" AND ") + rowIdColumn(dialect) +
                   QStringLiteral(" NOT IN (") + laterCallCopies(dialect, predicate) + QLatin1Char(')'));
    // Once for the rows read, twice in the later copies.
    for (int repeated = 0; repeated < 3; ++repeated)
        for (const QVariant& value : values)
            copy.addBindValue(value);
    CDatabase::exec(copy);
}

BulkWork::BulkWork(CDatabase& db) : m_db(db)
{
    if (db.dialect() == SqlDialect::PostgreSQL) {
        // A month of calls sorts in some 150 MB; the default of 4 MB spills
        // it to disk several times over. Compiling these statements to
        // machine code takes longer than running them.
        trySetting(QStringLiteral("SET work_mem='256MB'"));
        trySetting(QStringLiteral("SET jit=off"));
        m_restore = {QStringLiteral("RESET work_mem"), QStringLiteral("RESET jit")};
        return;
    }
    trySetting(QStringLiteral("PRAGMA temp_store=MEMORY"));
    try {
        QSqlQuery size = db.prepare(QStringLiteral("PRAGMA cache_size"));
        CDatabase::exec(size);
        if (!size.next())
            return;
        m_restore = {QStringLiteral("PRAGMA cache_size=%1").arg(size.value(0).toLongLong())};
    } catch (const DbError&) {
        return;
    }
    // A month of calls and its indexes: 128 MB, given back afterwards.
    trySetting(QStringLiteral("PRAGMA cache_size=-131072"));
}

BulkWork::~BulkWork()
{
    for (const QString& statement : m_restore)
        trySetting(statement);
}

void BulkWork::trySetting(const QString& statement)
{
    try {
        m_db.execute(statement);
    } catch (const DbError&) {
        // only slower without it
    }
}

QString monthTotalsTable()
{
    return QStringLiteral(
        "CREATE TABLE IF NOT EXISTS 告警累计表 (月份 INTEGER NOT NULL, 对象 VARCHAR(40) NOT "
        "NULL, 金额 BIGINT NOT NULL, PRIMARY KEY (月份, 对象))");
}

void forgetMonthTotals(CDatabase& db)
{
    db.ensureOwnTables({monthTotalsTable()});
    db.execute(QStringLiteral("DELETE FROM 告警累计表"));
}

} // namespace qalor
