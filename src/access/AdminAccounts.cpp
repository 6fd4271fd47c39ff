#include "access/AdminAccounts.h"

#include "access/AuditLog.h"
#include "access/PasswordHash.h"
#include "db/CDatabase.h"

#include <QDateTime>
#include <QSqlQuery>

namespace qalor {

AdminAccounts::AdminAccounts(CDatabase* db) : m_db(db) {}

CDatabase& AdminAccounts::database() const
{
    return m_db ? *m_db : CDatabase::shared();
}

QString AdminAccounts::waitingText()
{
    return QStringLiteral("该管理员已连续%1次登录失败，请%2分钟后再登录！")
        .arg(kFailureLimit)
        .arg(kWaitMinutes);
}

AdminAccounts::Outcome AdminAccounts::logIn(const QString& name, const QString& password)
{
    const Outcome outcome = verify(name, password);
    record(name, outcome);
    return outcome;
}

bool AdminAccounts::record(const QString& name, Outcome outcome)
{
    return AuditLog::write(name, loginOperation(),
                           outcome == Outcome::Ok ? AuditLog::success() : AuditLog::failure(), m_db);
}

bool AdminAccounts::waiting(const QString& name)
{
    // The failed attempts after the last successful login, within the wait.
    // The audit rows carry the local date and time to the second; as
    // "yyyyMMdd" and "HHmmss" texts they order as the moments do.
    const QDateTime since = QDateTime::currentDateTime().addSecs(-kWaitMinutes * 60);
    const QString day = since.toString(QStringLiteral("yyyyMMdd"));
    QSqlQuery query = database().prepare(QStringLiteral(
        "SELECT COUNT(*) FROM LOGINFO WHERE 管理员名=? AND 操作=? AND 操作结果=? "
        "AND ID>(SELECT COALESCE(MAX(ID),0) FROM LOGINFO WHERE 管理员名=? AND 操作=? AND 操作结果=?) "
        "AND (日期>? OR (日期=? AND 时间>=?))"));
    query.addBindValue(name);
    query.addBindValue(loginOperation());
    query.addBindValue(AuditLog::failure());
    query.addBindValue(name);
    query.addBindValue(loginOperation());
    query.addBindValue(AuditLog::success());
    query.addBindValue(day);
    query.addBindValue(day);
    query.addBindValue(since.toString(QStringLiteral("HHmmss")));
    CDatabase::exec(query);
    return query.next() && query.value(0).toInt() >= kFailureLimit;
}

AdminAccounts::Outcome AdminAccounts::verify(const QString& name, const QString& password)
{
    try {
        if (waiting(name))
            return Outcome::Waiting;
        if (password.isEmpty())
            return Outcome::Wrong;
        // The typed name is bound, never pasted into the statement: a name
        // with an apostrophe is just another name.
        QSqlQuery query =
            database().prepare(QStringLiteral("SELECT 管理员名, 口令 FROM 管理员口令表 WHERE 管理员名=?"));
        query.addBindValue(name);
        CDatabase::exec(query);
        while (query.next()) {
            // Exact, case-sensitive comparison whatever collation the data
            // source applies to the WHERE clause.
            if (query.value(0).toString() != name)
                continue;
            const QString stored = query.value(1).toString();
            if (!PasswordHash::matches(stored, password))
                continue;
            if (!PasswordHash::isHash(stored))
                rehash(name, stored, password);
            return Outcome::Ok;
        }
    } catch (...) {
        // A failed lookup is a failed login, without a message of its own.
    }
    return Outcome::Wrong;
}

void AdminAccounts::rehash(const QString& name, const QString& stored, const QString& password)
{
    try {
        // Guarded by the old value: a password changed meanwhile (in the
        // grid, by another program) stays as it was set.
        QSqlQuery update =
            database().prepare(QStringLiteral("UPDATE 管理员口令表 SET 口令=? WHERE 管理员名=? AND 口令=?"));
        update.addBindValue(PasswordHash::hash(password));
        update.addBindValue(name);
        update.addBindValue(stored);
        CDatabase::exec(update);
    } catch (...) {
        // The login stands; the row is hashed at a later one.
    }
}

bool AdminAccounts::setPassword(const QString& name, const QString& password)
{
    QSqlQuery update = database().prepare(QStringLiteral("UPDATE 管理员口令表 SET 口令=? WHERE 管理员名=?"));
    update.addBindValue(PasswordHash::hash(password));
    update.addBindValue(name);
    CDatabase::exec(update);
    return update.numRowsAffected() > 0;
}

void AdminAccounts::store(const QString& name, const QString& password)
{
    CDatabase& db = database();
    CTransaction transaction(db);
    if (!setPassword(name, password)) {
        QSqlQuery insert =
            db.prepare(QStringLiteral("INSERT INTO 管理员口令表 (管理员名, 口令) VALUES (?, ?)"));
        insert.addBindValue(name);
        insert.addBindValue(PasswordHash::hash(password));
        CDatabase::exec(insert);
    }
    transaction.commit();
}

} // namespace qalor
