#pragma once

#include <QString>

namespace qalor {

class CDatabase;

// The administrator accounts of 管理员口令表 as every program checks and
// changes them: the workstation's login and password table, the web console
// and qalor-initdb. Passwords are stored as hashes (PasswordHash); a row
// still holding a password as typed is hashed at its next successful login.
//
// Failed logins are counted in the data source, from the LOGIN rows of
// LOGINFO, so that every program and workstation sees the same count: after
// kFailureLimit failed logins within kWaitMinutes (and since the account's
// last successful one) the account waits until fewer remain within that
// time. An attempt refused while it waits is a failed login too.
class AdminAccounts
{
public:
    enum class Outcome { Ok, Wrong, Waiting };

    static constexpr int kFailureLimit = 5;
    static constexpr int kWaitMinutes = 5;

    // db == nullptr: the shared connection.
    explicit AdminAccounts(CDatabase* db = nullptr);

    // The operation of the audit rows of login attempts.
    static QString loginOperation() { return QStringLiteral("LOGIN"); }
    // Said to someone whose account waits.
    static QString waitingText();

    // One whole login attempt: verify() and record(). A program that logs
    // administrators in calls this (or both in turn), so that the attempt
    // counts.
    Outcome logIn(const QString& name, const QString& password);
    // Whether the account exists with exactly this name (case and blanks
    // count) and this non-empty password, unless it waits. A row holding
    // the password as typed is hashed when it matches. Any failure of the
    // lookup counts as Wrong, without a message.
    Outcome verify(const QString& name, const QString& password);
    // Writes the LOGIN row of an attempt (成功 or 失败) dated now; a failure
    // shows its text and returns false.
    bool record(const QString& name, Outcome outcome);

    // Whether the account waits now. Throws DbError.
    bool waiting(const QString& name);

    // Sets the password of the account with exactly this name, hashed.
    // Returns false when there is no such account. Throws DbError.
    bool setPassword(const QString& name, const QString& password);
    // Sets the password of the account, adding the account when there is
    // none. Throws DbError.
    void store(const QString& name, const QString& password);

private:
    CDatabase& database() const;
    // Hashes a password kept as typed, unless the row changed meanwhile.
    void rehash(const QString& name, const QString& stored, const QString& password);

    CDatabase* m_db;
};

} // namespace qalor
