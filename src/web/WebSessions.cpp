#include "web/WebSessions.h"

#include <QRandomGenerator>

#include <openssl/crypto.h>

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
    Entry entry{{user, randomToken()}, {}};
    entry.lastUse.start();
    m_entries.insert(token, entry);
    return token;
}

std::optional<WebSessions::Session> WebSessions::use(const QString& token)
{
    const auto found = m_entries.find(token);
    if (found == m_entries.end())
        return std::nullopt;
    if (found->lastUse.hasExpired(m_idleMs)) {
        m_entries.erase(found);
        return std::nullopt;
    }
    found->lastUse.restart();
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
        it = it->lastUse.hasExpired(m_idleMs) ? m_entries.erase(it) : std::next(it);
}

} // namespace qalor
