#include "web/StaysApi.h"

#include "db/CDatabase.h"
#include "format/Money.h"
#include "hotel/StayCharges.h"
#include "web/WebReply.h"

#include <QJsonArray>
#include <QSqlQuery>

namespace qalor {

namespace {
// psqlODBC hands REAL columns over as text.
Money storedMoney(const QVariant& value)
{
    return Money::fromStored(value.toString().toDouble());
}
} // namespace

QHttpServerResponse StaysApi::list()
{
    QSqlQuery query = CDatabase::shared().prepare(
        QStringLiteral("SELECT 房间号, 分机号, 旅客姓名, 入住日期, 入住时间, 结帐金额, 服务费比例, 押金, "
                       "分机级别描述 FROM 宾馆管理表 WHERE 是否已经结帐=0 ORDER BY 房间号, 分机号"));
    CDatabase::exec(query);
    QJsonArray stays;
    while (query.next()) {
        const Money calls = storedMoney(query.value(5));
        const StayCharges charges = StayCharges::at(calls, query.value(6).toString().toFloat());
        const Money deposit = storedMoney(query.value(7));
        stays.append(QJsonObject{
            {QStringLiteral("房间号"), query.value(0).toString()},
            {QStringLiteral("分机号"), query.value(1).toString()},
            {QStringLiteral("旅客姓名"), query.value(2).toString()},
            {QStringLiteral("入住日期"), query.value(3).toString()},
            {QStringLiteral("入住时间"), query.value(4).toString()},
            {QStringLiteral("结帐金额"), FormatMoney(calls)},
            {QStringLiteral("服务费"), FormatMoney(charges.service)},
            {QStringLiteral("合计"), FormatMoney(charges.total())},
            {QStringLiteral("押金"), FormatMoney(deposit)},
            {QStringLiteral("分机级别描述"), query.value(8).toString()},
            {QStringLiteral("over"), deposit.cents() > 0 && calls >= deposit},
        });
    }
    return WebReply::json({{QStringLiteral("stays"), stays}});
}

} // namespace qalor
