#include "access/PasswordHash.h"

#include <QByteArray>
#include <new>
#include <sodium.h>

namespace qalor {

namespace {

const char HashPrefix[] = "$argon2id$";

void initSodium()
{
    // Safe to call again and from several threads; it only fails when the
    // system has no source of random numbers, and then no salt can be made.
    if (sodium_init() < 0)
        throw std::bad_alloc();
}

} // namespace

QString PasswordHash::hash(const QString& password)
{
    initSodium();
    const QByteArray bytes = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(out, bytes.constData(), quint64(bytes.size()),
                              crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE,
                              crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw std::bad_alloc(); // the only way it fails: the memory limit could not be allocated
    return QString::fromLatin1(out);
}

bool PasswordHash::isHash(const QString& stored)
{
    return stored.startsWith(QLatin1String(HashPrefix));
}

bool PasswordHash::matches(const QString& stored, const QString& password)
{
    if (!isHash(stored))
        return stored == password;
    initSodium();
    const QByteArray hashText = stored.toLatin1();
    const QByteArray bytes = password.toUtf8();
    return crypto_pwhash_str_verify(hashText.constData(), bytes.constData(), quint64(bytes.size())) == 0;
}

} // namespace qalor
