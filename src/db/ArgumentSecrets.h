#pragma once

#include <QString>
#include <optional>

namespace qalor {

// Passwords kept out of a program's command line, where every local user
// reads them (ps, /proc/PID/cmdline). A connection string given with
// --connection that carries a password still works, with a warning naming
// the safe places: the DSN in a user's odbc.ini (mode 0600), ~/.pgpass for
// PostgreSQL, or $QALOR_ODBC. Other passwords come from standard input or
// from a file only its owner may read.
class ArgumentSecrets
{
public:
    // Whether an ODBC connection string carries a password (PWD=, Password=).
    static bool hasPassword(const QString& connection);
    static QString connectionWarning(const QString& program);
    // The first line of a file that only its owner may read; nothing (and
    // the reason in error) when it cannot be read or others may read it.
    static std::optional<QString> readPasswordFile(const QString& path, QString* error);
};

} // namespace qalor
