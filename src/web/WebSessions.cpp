#include "web/WebSessions.h"

#include <QRandomGenerator>

#include <openssl/crypto.h>

#include <chrono>

namespace qalor {

QString WebSessions::randomToken()
{
    quint32 words[8];
    QRandomGenerator::system()->fillRange(words);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(words), sizeof words).toHex());
}

QString WebSessions::open(const QString& user)
{
    forgetLapsed();
    const QString token = randomToken();
    m_entries.insert(token, Entry{{user, randomToken()}, m_now()});
    return token;
}

std::optional<WebSessions::Session> WebSessions::use(const QString& token)
{
    const auto found = m_entries.find(token);
    if (found == m_entries.end())
        return std::nullopt;
    if (lapsed(*found)) {
        m_entries.erase(found);
        return std::nullopt;
    }
    found->lastUse = m_now();
    return found->session;
}

void WebSessions::close(const QString& token)
{
    m_entries.remove(token);
}

bool WebSessions::csrfMatches(const Session& session, const QByteArray& header)
{
    const QByteArray expected = session.csrf.toLatin1();
    return header.size() == expected.size() && !expected.isEmpty() &&
           CRYPTO_memcmp(header.constData(), expected.constData(), size_t(expected.size())) == 0;
}

void WebSessions::forgetLapsed()
{
    for (auto it = m_entries.begin(); it != m_entries.end();)
        it = lapsed(*it) ? m_entries.erase(it) : std::next(it);
}

bool WebSessions::lapsed(const Entry& entry) const
{
    return m_now() - entry.lastUse >= m_idleMs;
}

qint64 WebSessions::steadyNow()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace qalor
