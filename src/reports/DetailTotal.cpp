#include "reports/DetailTotal.h"

#include "db/CDatabase.h"
#include "db/CRecordSet.h"
#include "reports/CallRow.h"

#include <QSqlError>
#include <QSqlQuery>

namespace qalor {

DetailTotal DetailTotal::of(const DetailQuery& query, CDatabase* db)
{
    CDatabase& database = db ? *db : CDatabase::shared();
    QSqlQuery amounts =
        database.prepare(QStringLiteral("SELECT 通话费,服务费,附加费,COUNT(*) FROM 话费表 WHERE ") +
                         query.where() + QStringLiteral(" GROUP BY 通话费,服务费,附加费"));
    for (const QVariant& value : query.values())
        amounts.addBindValue(value);
    CDatabase::exec(amounts);
    // Read as the rows of the bill read them (CallCursor): by position, as
    // singles.
    const auto single = [&](int column) {
        return CRecordSet::normalize(ColumnType::Single, amounts.value(column)).toFloat();
    };
    DetailTotal result;
    while (amounts.next()) {
        CallRow call;
        call.charge = single(0);
        call.service = single(1);
        call.surcharge = single(2);
        const qint64 calls = amounts.value(3).toLongLong();
        result.count += calls;
        result.total += Money::fromCents(call.amount().cents() * calls);
    }
    if (amounts.lastError().isValid())
        throw DbError::fromSql(amounts.lastError());
    return result;
}

} // namespace qalor
