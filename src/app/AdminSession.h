#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

namespace qalor {

struct AppState;

// Administrator login and logout without any window: the two application
// flags, the audit rows, the messages and the logout timer that ends a login
// one hour after it began. AdminAccounts checks the account.
class AdminSession : public QObject
{
    Q_OBJECT
public:
    static constexpr int kLogoutTimerId = 5533;
    static constexpr int kDefaultLogoutInterval = 60 * 60 * 1000;

    explicit AdminSession(AppState& state, QObject* parent = nullptr);

    static QString headkeeperName() { return QStringLiteral("Headkeeper"); }

    bool loggedIn() const;
    // The administrator logged in (empty while nobody is).
    const QString& name() const { return m_name; }
    bool isHeadkeeper() const;

    // Opening the login dialog ends any running login.
    void beginLogin();
    // The dialog was confirmed: checks the account, sets the flags, shows the
    // outcome and writes the LOGIN row. Returns whether it succeeded.
    bool confirmLogin(const QString& name, const QString& password);
    // The dialog was cancelled: a failed LOGIN row with an empty name.
    void cancelLogin();
    // The logout command, whether or not anyone is logged in.
    void logout();

    // Tests shorten the hour; takes effect at the next login.
    void setLogoutInterval(int milliseconds);
    int logoutInterval() const { return m_timer.interval(); }
    bool logoutTimerActive() const { return m_timer.isActive(); }

signals:
    // The logged-in flag changed (login, logout, timer, or a login attempt).
    void loginStateChanged(bool loggedIn);

private:
    void clearFlags();
    void timerLapsed();

    AppState& m_state;
    QTimer m_timer;
    QString m_name;
};

} // namespace qalor
