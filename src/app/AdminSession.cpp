#include "app/AdminSession.h"

#include "app/AuditLog.h"
#include "db/CDatabase.h"
#include "prompt/Prompt.h"
#include "station/AppState.h"

#include <QSqlQuery>

namespace qalor {

namespace {
QString loginOperation()
{
    return QStringLiteral("LOGIN");
}
} // namespace

AdminSession::AdminSession(AppState& state, QObject* parent) : QObject(parent), m_state(state)
{
    // The timer keeps running after it lapses; only a logout or the next
    // login restarts or stops it.
    m_timer.setInterval(kDefaultLogoutInterval);
    m_timer.setSingleShot(false);
    connect(&m_timer, &QTimer::timeout, this, &AdminSession::timerLapsed);
}

bool AdminSession::loggedIn() const
{
    return m_state.loggedIn != 0;
}

bool AdminSession::isHeadkeeper() const
{
    return m_state.superAdmin != 0;
}

void AdminSession::setLogoutInterval(int milliseconds)
{
    m_timer.setInterval(milliseconds);
}

void AdminSession::clearFlags()
{
    m_state.loggedIn = 0;
    m_state.superAdmin = 0;
    m_name.clear();
}

void AdminSession::beginLogin()
{
    clearFlags();
    emit loginStateChanged(false);
}

bool AdminSession::verify(const QString& name, const QString& password)
{
    if (password.isEmpty())
        return false;
    try {
        CDatabase& db = CDatabase::shared();
        // The typed name is bound, never pasted into the statement: a name
        // with an apostrophe is just another name.
        QSqlQuery query =
            db.prepare(QStringLiteral("SELECT 管理员名, 口令 FROM 管理员口令表 WHERE 管理员名=?"));
        query.addBindValue(name);
        CDatabase::exec(query);
        while (query.next()) {
            // Exact, case-sensitive comparison whatever collation the data
            // source applies to the WHERE clause.
            if (query.value(0).toString() == name && query.value(1).toString() == password)
                return true;
        }
    } catch (...) {
        // A failed lookup is a failed login, without a message of its own.
    }
    return false;
}

bool AdminSession::confirmLogin(const QString& name, const QString& password)
{
    clearFlags();
    const bool ok = verify(name, password);
    if (ok) {
        m_state.loggedIn = 1;
        m_name = name;
        if (name == headkeeperName()) {
            m_state.superAdmin = 1;
            Prompt::inform(QStringLiteral("Now you can change the PASSWORD table!"));
        } else {
            Prompt::inform(QStringLiteral("You can change data all but PASSWORD!"));
        }
    } else {
        Prompt::inform(QStringLiteral("Error Name or Password!"));
    }
    AuditLog::write(name, loginOperation(), ok ? AuditLog::success() : AuditLog::failure());
    if (ok)
        m_timer.start(); // restarts a running timer: the hour counts from this login
    emit loginStateChanged(loggedIn());
    return ok;
}

void AdminSession::cancelLogin()
{
    clearFlags();
    // The name is recorded empty (not NULL) for a cancelled dialog.
    AuditLog::write(QStringLiteral(""), loginOperation(), AuditLog::failure());
    emit loginStateChanged(false);
}

void AdminSession::logout()
{
    clearFlags();
    emit loginStateChanged(false);
    Prompt::inform(QStringLiteral("Logout Secceeded!"));
    m_timer.stop();
    AuditLog::write(AuditLog::nobody(), QStringLiteral("LOGOUT"), AuditLog::success());
}

void AdminSession::timerLapsed()
{
    clearFlags();
    emit loginStateChanged(false);
}

} // namespace qalor
