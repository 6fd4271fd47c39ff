#pragma once

#include <QString>

namespace qalor {

// Administrator passwords as they are kept in 管理员口令表: an argon2id hash
// in libsodium's self-describing text form (salt and limits included), about
// a hundred characters. A row written before passwords were hashed still
// holds the password itself; it is told from a hash by its prefix.
class PasswordHash
{
public:
    // A new salted hash of password, with limits meant for a login (a tenth
    // of a second and 64 MiB). Throws std::bad_alloc when the memory is not
    // there.
    static QString hash(const QString& password);
    // Whether stored is a hash rather than a password kept as typed.
    static bool isHash(const QString& stored);
    // Whether password is the one stored: checked against the hash, or
    // compared exactly with a password kept as typed.
    static bool matches(const QString& stored, const QString& password);
};

} // namespace qalor
