#pragma once

#include <QHash>
#include <QString>
#include <functional>
#include <optional>

namespace qalor {

// The console's logins: a random token for the cookie and another one that
// every changing request repeats in a header (a page of another site can
// make the browser send the cookie, never read the second token). A session
// lapses after an hour without a request, as the window's login after an
// hour.
class WebSessions
{
public:
    struct Session
    {
        QString user;
        QString csrf;
    };

    static constexpr qint64 DefaultIdleMs = 60 * 60 * 1000;

    // Milliseconds of a steady clock.
    using Clock = std::function<qint64()>;
    static qint64 steadyNow();

    explicit WebSessions(qint64 idleMs = DefaultIdleMs, Clock now = &steadyNow)
        : m_idleMs(idleMs), m_now(std::move(now))
    {
    }

    // A new session for the user: its cookie token.
    QString open(const QString& user);
    // The session of a token, counting this request as its use; nothing for
    // an unknown or lapsed token (which is then forgotten).
    std::optional<Session> use(const QString& token);
    void close(const QString& token);
    // Whether the header's token is the session's (compared in constant time).
    static bool csrfMatches(const Session& session, const QByteArray& header);

private:
    struct Entry
    {
        Session session;
        qint64 lastUse = 0;
    };
    bool lapsed(const Entry& entry) const;
    void forgetLapsed();
    static QString randomToken();

    QHash<QString, Entry> m_entries;
    qint64 m_idleMs;
    Clock m_now;
};

} // namespace qalor
