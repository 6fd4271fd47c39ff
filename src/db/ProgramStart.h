#pragma once

namespace qalor {

// What every Qalor program does first, once its application object exists
// and before it opens the data source:
//
// - Files and folders it creates are its user's alone (umask 077): the
//   SQLite file holds the administrators' passwords, and the journals and
//   refused-calls.txt hold the calls themselves. The SQLite driver gives the
//   -wal and -shm files the database file's own permissions.
// - Characters are UTF-8. The SQLite ODBC driver takes only narrow strings,
//   and the ODBC driver manager converts the program's wide statements to
//   the character set of the process's locale; with LANG unset, C or POSIX
//   (cron, ssh, service units) every Chinese table and column name is lost
//   on the way. Only the character classification (LC_CTYPE) is switched,
//   to the UTF-8 form of the same locale or else C.UTF-8; messages, dates
//   and sorting stay as the user set them.
class ProgramStart
{
public:
    static void prepareProcess();
    // Before the application object of a program drawn without a screen (a
    // QGuiApplication under cron or a service): without XDG_RUNTIME_DIR Qt
    // makes its own folder and warns on standard error, which cron mails. The
    // same private folder is made here and named in the variable instead.
    static void provideRuntimeFolder();
    // Returns the character set in use afterwards (nl_langinfo(CODESET)).
    static const char* useUtf8Characters();
    static bool isUtf8(const char* codeset);
};

} // namespace qalor
