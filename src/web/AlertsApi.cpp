#include "web/AlertsApi.h"

#include "db/CDatabase.h"
#include "rating/AlertDesk.h"
#include "rating/AlertLog.h"
#include "reports/AlertReport.h"
#include "web/WebParams.h"
#include "web/WebReply.h"

#include <QJsonArray>
#include <QSqlQuery>

namespace qalor {

namespace {
int openCount()
{
    return AlertLog::unacknowledgedCount(CDatabase::shared());
}
} // namespace

QHttpServerResponse AlertsApi::list(const WebParams& params)
{
    const bool all = params.choice(QStringLiteral("state"),
                                   {QStringLiteral("open"), QStringLiteral("all")}) == QLatin1String("all");
    const QDate today = QDate::currentDate();
    const QDate from = params.date(QStringLiteral("from"), today.addDays(-30));
    const QDate to = params.date(QStringLiteral("to"), today);
    if (from > to)
        throw BadParameter{QStringLiteral("起始日期不能晚于终止日期.")};
    CDatabase& db = CDatabase::shared();
    const QList<AlertLog::Row> rows = all ? AlertLog::list(db, from, to) : AlertLog::unacknowledged(db);
    // The columns and texts of the alert list qalor-report writes.
    const QList<XlsxSheet::Column> columns = AlertReport::columns();
    const QList<QStringList> cells = AlertReport(rows, from, to).cells();
    QJsonArray alerts;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        QJsonObject alert{{QStringLiteral("id"), rows[i].id},
                          {QStringLiteral("acknowledged"), !rows[i].acknowledgedBy.isEmpty()},
                          {QStringLiteral("by"), rows[i].acknowledgedBy},
                          {QStringLiteral("at"), rows[i].acknowledgedBy.isEmpty()
                                                     ? QString()
                                                     : rows[i].acknowledged.toString(Qt::ISODate)}};
        for (qsizetype c = 0; c < columns.size(); ++c)
            alert.insert(columns[c].title, cells[i].value(c));
        alerts.append(alert);
    }
    return WebReply::json({{QStringLiteral("alerts"), alerts}, {QStringLiteral("open"), openCount()}});
}

QHttpServerResponse AlertsApi::acknowledge(int id, const QString& administrator)
{
    // No audit row for an alert that is not there.
    QSqlQuery known =
        CDatabase::shared().prepare(QStringLiteral("SELECT COUNT(*) FROM 告警记录表 WHERE ID=?"));
    known.addBindValue(id);
    CDatabase::exec(known);
    if (!known.next() || known.value(0).toInt() == 0)
        return WebReply::error(Status::NotFound, QStringLiteral("没有这条告警."));
    const int changed = AlertDesk::acknowledge({id}, administrator);
    // -1: nothing written, the reason has been said (and becomes the answer).
    if (changed < 0)
        return WebReply::error(Status::InternalServerError, QStringLiteral("Unknown Error in 告警记录表."));
    return WebReply::json({{QStringLiteral("acknowledged"), changed}, {QStringLiteral("open"), openCount()}});
}

} // namespace qalor
