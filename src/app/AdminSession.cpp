#include "app/AdminSession.h"

#include "access/AdminAccounts.h"
#include "access/AuditLog.h"
#include "app/AppState.h"
#include "prompt/Prompt.h"

namespace qalor {

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

bool AdminSession::confirmLogin(const QString& name, const QString& password)
{
    clearFlags();
    AdminAccounts accounts;
    const AdminAccounts::Outcome outcome = accounts.verify(name, password);
    const bool ok = outcome == AdminAccounts::Outcome::Ok;
    if (ok) {
        m_state.loggedIn = 1;
        m_name = name;
        if (name == headkeeperName()) {
            m_state.superAdmin = 1;
            Prompt::inform(QStringLiteral("Now you can change the PASSWORD table!"));
        } else {
            Prompt::inform(QStringLiteral("You can change data all but PASSWORD!"));
        }
    } else if (outcome == AdminAccounts::Outcome::Waiting) {
        Prompt::inform(AdminAccounts::waitingText());
    } else {
        Prompt::inform(QStringLiteral("Error Name or Password!"));
    }
    // After the message: a failure to write the row has its own.
    accounts.record(name, outcome);
    if (ok)
        m_timer.start(); // restarts a running timer: the hour counts from this login
    emit loginStateChanged(loggedIn());
    return ok;
}

void AdminSession::cancelLogin()
{
    clearFlags();
    // The name is recorded empty (not NULL) for a cancelled dialog.
    AuditLog::write(QStringLiteral(""), AdminAccounts::loginOperation(), AuditLog::failure());
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
