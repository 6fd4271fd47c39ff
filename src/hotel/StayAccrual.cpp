#include "hotel/StayAccrual.h"

#include "db/CDatabase.h"
#include "db/CRecordSet.h"
#include "db/SchemaBuilder.h"
#include "db/SqlDialectText.h"
#include "db/TableRegistry.h"

namespace qalor {

namespace {

// An extension's open stay is one row of 宾馆管理表; the check-in moment
// tells it from the extension's earlier stays (a row written without one
// counts as empty).
const QString StayCondition = QStringLiteral(
    " WHERE 是否已经结帐=0 AND 分机号=? AND COALESCE(入住日期,'')=? AND COALESCE(入住时间,'')=?");

Money storedMoney(const QVariant& raw)
{
    return Money::fromStored(CRecordSet::normalize(ColumnType::Single, raw).toFloat());
}

QString addText(SqlDialect dialect)
{
    return QStringLiteral("UPDATE 宾馆管理表 SET 结帐金额=(") + centsOf(dialect, QStringLiteral("结帐金额")) +
           QStringLiteral("+?)/100.0") + StayCondition;
}

void bindStay(QSqlQuery& query, const QString& extension, const QString& date, const QString& time)
{
    query.addBindValue(extension);
    query.addBindValue(date);
    query.addBindValue(time);
}

} // namespace

StayAccrual::StayAccrual()
    : m_open(QStringLiteral("SELECT COALESCE(入住日期,''), COALESCE(入住时间,'') FROM 宾馆管理表 WHERE "
                            "是否已经结帐=0 AND 分机号=? ORDER BY 入住日期 DESC, 入住时间 DESC")),
      m_addSqlite(addText(SqlDialect::SQLite)), m_addPostgres(addText(SqlDialect::PostgreSQL)),
      m_total(QStringLiteral("SELECT 结帐金额, 押金 FROM 宾馆管理表") + StayCondition),
      m_link(QStringLiteral("INSERT INTO 宾馆通话表 (分机号, 入住日期, 入住时间, 被叫号, 日期, 时间) "
                            "VALUES (?, ?, ?, ?, ?, ?)"))
{
}

void StayAccrual::ensureLinkTable()
{
    CDatabase& db = CDatabase::shared();
    QString create = SchemaBuilder::createStatement(Tables::hotelCall(), db.dialect());
    create.replace(QStringLiteral("CREATE TABLE "), QStringLiteral("CREATE TABLE IF NOT EXISTS "));
    QStringList statements{create};
    for (QString index : SchemaBuilder::indexStatements(Tables::hotelCall()))
        statements << index.replace(QStringLiteral("CREATE INDEX "),
                                    QStringLiteral("CREATE INDEX IF NOT EXISTS "));
    db.ensureOwnTables(statements);
}

void StayAccrual::ensureStayTables()
{
    ensureLinkTable();
    SchemaBuilder(CDatabase::shared()).addMissingColumns({&Tables::hotel()});
}

void StayAccrual::ensureLinkTableOnce(CDatabase& db)
{
    db.ensureOpen();
    const QString connection = db.handle().connectionName();
    if (m_checkedOpening == db.openings() && m_checkedConnection == connection)
        return;
    ensureLinkTable();
    m_checkedConnection = connection;
    m_checkedOpening = db.openings();
}

int StayAccrual::accrue(const StayCall& call)
{
    CDatabase& db = CDatabase::shared();
    ensureLinkTableOnce(db);
    // The stay is looked up again when a check-out or a new check-in in
    // another program changed it between the two statements.
    for (int attempt = 0; attempt < 3; ++attempt) {
        QSqlQuery& open = m_open.on(db);
        open.addBindValue(call.caller);
        CDatabase::exec(open);
        if (!open.next()) {
            open.finish();
            return -1;
        }
        const QString date = open.value(0).toString();
        const QString time = open.value(1).toString();
        open.finish();

        // Whole cents added to whole cents: the total is what the bill's
        // lines add up to, on either back end.
        QSqlQuery& add = (db.dialect() == SqlDialect::PostgreSQL ? m_addPostgres : m_addSqlite).on(db);
        add.addBindValue(call.amount.cents());
        bindStay(add, call.caller, date, time);
        CDatabase::exec(add);
        if (add.numRowsAffected() == 0)
            continue;

        QSqlQuery& total = m_total.on(db);
        bindStay(total, call.caller, date, time);
        CDatabase::exec(total);
        if (!total.next()) {
            total.finish();
            continue;
        }
        const Money after = storedMoney(total.value(0));
        const Money deposit = storedMoney(total.value(1));
        total.finish();

        QSqlQuery& link = m_link.on(db);
        bindStay(link, call.caller, date, time);
        link.addBindValue(call.called);
        link.addBindValue(call.date);
        link.addBindValue(call.time);
        CDatabase::exec(link);

        const Money before = Money::fromCents(after.cents() - call.amount.cents());
        return before < deposit && after >= deposit ? 1 : 0;
    }
    return -1;
}

} // namespace qalor
