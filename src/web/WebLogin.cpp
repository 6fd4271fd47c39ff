#include "web/WebLogin.h"

#include "db/CDatabase.h"

#include <QSqlQuery>

namespace qalor {

// Until the accounts library is shared by the programs: the window's rule,
// an exact match of name and non-empty password.
WebLogin::Result WebLogin::check(const QString& user, const QString& password)
{
    const Result wrong{Outcome::Wrong, QStringLiteral("Error Name or Password!")};
    if (password.isEmpty())
        return wrong;
    QSqlQuery query = CDatabase::shared().prepare(
        QStringLiteral("SELECT 管理员名, 口令 FROM 管理员口令表 WHERE 管理员名=?"));
    query.addBindValue(user);
    CDatabase::exec(query);
    while (query.next())
        if (query.value(0).toString() == user && query.value(1).toString() == password)
            return {Outcome::Ok, {}};
    return wrong;
}

} // namespace qalor
