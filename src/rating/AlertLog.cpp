#include "rating/AlertLog.h"

#include "db/CDatabase.h"
#include "rating/CallCostWriter.h"

#include <QSqlQuery>
#include <QVariant>

namespace qalor {

namespace {
const QString Columns =
    QStringLiteral("ID, 主叫号, 被叫号, 日期, 时间, 通话秒数, 话费, 规则编号, 规则名称, 告警说明, "
                   "告警日期, 告警时间, 确认人, 确认日期, 确认时间");
const QString Open = QStringLiteral("COALESCE(确认人,'')=''");

int secondOfDay(const QString& hhmmss)
{
    return hhmmss.left(2).toInt() * 3600 + hhmmss.mid(2, 2).toInt() * 60 + hhmmss.mid(4, 2).toInt();
}

QDate callDate(const QString& yymmdd)
{
    return QDate(2000 + yymmdd.left(2).toInt(), yymmdd.mid(2, 2).toInt(), yymmdd.mid(4, 2).toInt());
}

QDateTime moment(const QString& yyyymmdd, const QString& hhmmss)
{
    return QDateTime::fromString(yyyymmdd + hhmmss, QStringLiteral("yyyyMMddHHmmss"));
}

QList<AlertLog::Row> rows(QSqlQuery& query)
{
    CDatabase::exec(query);
    QList<AlertLog::Row> rows;
    while (query.next()) {
        AlertLog::Row row;
        row.id = query.value(0).toInt();
        Alert& alert = row.alert;
        alert.call.caller = query.value(1).toString();
        alert.call.called = query.value(2).toString();
        alert.call.start = {callDate(query.value(3).toString()), secondOfDay(query.value(4).toString())};
        alert.call.seconds = query.value(5).toInt();
        alert.call.billed = Money::fromStored(query.value(6).toFloat());
        alert.ruleId = query.value(7).toInt();
        alert.ruleName = query.value(8).toString();
        alert.detail = query.value(9).toString();
        alert.raised = moment(query.value(10).toString(), query.value(11).toString());
        row.acknowledgedBy = query.value(12).toString();
        row.acknowledged = moment(query.value(13).toString(), query.value(14).toString());
        rows.append(row);
    }
    return rows;
}
} // namespace

bool AlertLog::insert(CDatabase& db, const Alert& alert)
{
    // The unique index on the call and the rule makes a repeat a no-op on
    // both back ends.
    QSqlQuery insert = db.prepare(QStringLiteral(
        "INSERT INTO 告警记录表 (主叫号, 被叫号, 日期, 时间, 通话秒数, 话费, 规则编号, 规则名称, 告警说明, "
        "告警日期, 告警时间, 确认人, 确认日期, 确认时间) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, '', '', "
        "'') "
        "ON CONFLICT DO NOTHING"));
    insert.addBindValue(alert.call.caller);
    insert.addBindValue(alert.call.called);
    insert.addBindValue(CallCostWriter::dateText(alert.call.start.date));
    insert.addBindValue(CallCostWriter::timeText(alert.call.start.second));
    insert.addBindValue(alert.call.seconds);
    insert.addBindValue(float(alert.call.billed.toDouble()));
    insert.addBindValue(alert.ruleId);
    insert.addBindValue(alert.ruleName.left(255));
    insert.addBindValue(alert.detail.left(255));
    insert.addBindValue(alert.raised.toString(QStringLiteral("yyyyMMdd")));
    insert.addBindValue(alert.raised.toString(QStringLiteral("HHmmss")));
    CDatabase::exec(insert);
    return insert.numRowsAffected() > 0;
}

int AlertLog::unacknowledgedCount(CDatabase& db)
{
    QSqlQuery query = db.prepare(QStringLiteral("SELECT COUNT(*) FROM 告警记录表 WHERE ") + Open);
    CDatabase::exec(query);
    return query.next() ? query.value(0).toInt() : 0;
}

QList<AlertLog::Row> AlertLog::list(CDatabase& db, QDate from, QDate to, bool onlyUnacknowledged)
{
    QSqlQuery query = db.prepare(QStringLiteral("SELECT ") + Columns +
                                 QStringLiteral(" FROM 告警记录表 WHERE 日期>=? AND 日期<=?") +
                                 (onlyUnacknowledged ? QStringLiteral(" AND ") + Open : QString()) +
                                 QStringLiteral(" ORDER BY 日期, 时间, 主叫号, 规则编号"));
    query.addBindValue(CallCostWriter::dateText(from));
    query.addBindValue(CallCostWriter::dateText(to));
    return rows(query);
}

QList<AlertLog::Row> AlertLog::unacknowledged(CDatabase& db)
{
    QSqlQuery query =
        db.prepare(QStringLiteral("SELECT ") + Columns + QStringLiteral(" FROM 告警记录表 WHERE ") + Open +
                   QStringLiteral(" ORDER BY 日期, 时间, 主叫号, 规则编号, ID"));
    return rows(query);
}

int AlertLog::acknowledge(CDatabase& db, const QList<int>& ids, const QString& who, const QDateTime& when)
{
    int changed = 0;
    CTransaction transaction(db);
    QSqlQuery update = db.prepare(
        QStringLiteral("UPDATE 告警记录表 SET 确认人=?, 确认日期=?, 确认时间=? WHERE ID=? AND ") + Open);
    for (const int id : ids) {
        update.addBindValue(who.left(255));
        update.addBindValue(when.toString(QStringLiteral("yyyyMMdd")));
        update.addBindValue(when.toString(QStringLiteral("HHmmss")));
        update.addBindValue(id);
        CDatabase::exec(update);
        changed += qMax(0, update.numRowsAffected());
    }
    transaction.commit();
    return changed;
}

} // namespace qalor
