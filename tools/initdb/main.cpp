// qalor-initdb: creates the tables of the data source "TDS" (or of the
// connection given) with their default rows, and the columns and indexes
// that tables already there lack. Rows that already exist are never touched,
// except for the one account whose password --set-password sets.

#include "access/AdminAccounts.h"
#include "access/PasswordHash.h"
#include "db/ArgumentSecrets.h"
#include "db/ProgramStart.h"
#include "db/SchemaBuilder.h"
#include "db/TableRegistry.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>
#include <termios.h>
#include <unistd.h>

using namespace qalor;

namespace {

QString readLine(bool hidden)
{
    termios saved{};
    const bool tty = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (tty && hidden) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    QTextStream in(stdin);
    const QString line = in.readLine();
    if (tty && hidden) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::fputs("\n", stderr);
    }
    return line;
}

QString askPassword(const QString& name)
{
    // A password given on standard input (a pipe, a file) is read without
    // asking: the question would only run into the next line of the output.
    const bool terminal = isatty(STDIN_FILENO);
    for (;;) {
        if (terminal)
            std::fprintf(stderr, "%s 口令: ", qPrintable(name));
        const QString first = readLine(true);
        if (first.isEmpty()) {
            std::fputs("口令不能为空。\n", stderr);
            if (!terminal)
                return {};
            continue;
        }
        if (!terminal)
            return first;
        std::fputs("再输入一次: ", stderr);
        if (readLine(true) == first)
            return first;
        std::fputs("两次输入的口令不同。\n", stderr);
    }
}

// The password from --password-file, --password or standard input; empty
// (with the reason told, and that nothing was done) when there is none.
QString readPassword(const QCommandLineParser& parser, const QCommandLineOption& passwordFile,
                     const QCommandLineOption& password, const QString& name, const char* nothing)
{
    if (parser.isSet(passwordFile)) {
        QString error;
        const std::optional<QString> read =
            ArgumentSecrets::readPasswordFile(parser.value(passwordFile), &error);
        if (!read) {
            std::fprintf(stderr, "qalor-initdb: %s; nothing %s.\n", qPrintable(error), nothing);
            return {};
        }
        if (!read->isEmpty())
            return *read;
    } else {
        const QString given = parser.isSet(password) ? parser.value(password) : askPassword(name);
        if (!given.isEmpty())
            return given;
    }
    std::fprintf(stderr, "qalor-initdb: a %s password is needed; nothing %s.\n", qPrintable(name), nothing);
    return {};
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    ProgramStart::prepareProcess();
    QCoreApplication::setApplicationName(QStringLiteral("qalor-initdb"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Creates the tables of the Qalor data source."));
    parser.addHelpOption();
    const QCommandLineOption connection(QStringLiteral("connection"),
                                        QStringLiteral("ODBC data source name or connection string (default: "
                                                       "$QALOR_ODBC, else the DSN TDS)."),
                                        QStringLiteral("odbc"));
    const QCommandLineOption sample(QStringLiteral("sample"),
                                    QStringLiteral("Add the demonstration data set."));
    const QCommandLineOption passwordFile(
        QStringLiteral("password-file"),
        QStringLiteral("Read the Headkeeper password (or the one --set-password sets) from the first line of "
                       "this file, which only its owner may "
                       "read (mode 0600). Without it the password is asked on the terminal, or read from the "
                       "first line of standard input when that is not a terminal."),
        QStringLiteral("file"));
    const QCommandLineOption password(
        QStringLiteral("password"),
        QStringLiteral("Password of the Headkeeper account. Deprecated: other "
                       "users see it in the process list; use --password-file."),
        QStringLiteral("password"));
    const QCommandLineOption check(
        QStringLiteral("check"),
        QStringLiteral("Only report which tables and indexes are missing; exit 1 if any."));
    const QCommandLineOption setPassword(
        QStringLiteral("set-password"),
        QStringLiteral("Only set the password of the administrator with this name (adding the account when "
                       "there is none), read as the Headkeeper password is. The tables must be there."),
        QStringLiteral("name"));
    parser.addOptions({connection, sample, passwordFile, password, check, setPassword});
    parser.process(app);
    if (parser.isSet(connection) && ArgumentSecrets::hasPassword(parser.value(connection)))
        std::fprintf(stderr, "%s\n",
                     qPrintable(ArgumentSecrets::connectionWarning(QStringLiteral("qalor-initdb"))));
    if (parser.isSet(password))
        std::fputs(
            "qalor-initdb: warning: --password can be read by every local user in the process list; use "
            "--password-file FILE (mode 0600) or standard input instead\n",
            stderr);

    QTextStream out(stdout);
    try {
        CDatabase db(parser.isSet(connection) ? parser.value(connection)
                                              : CDatabase::defaultConnectionString());
        db.open();
        SchemaBuilder builder(db);
        const QList<const TableDef*> missing = builder.missingTables();
        if (parser.isSet(check)) {
            const QStringList missingIndexes = builder.missingIndexes();
            const QStringList missingColumns = builder.missingColumns();
            for (const TableDef* table : missing)
                out << "missing: " << table->name << "\n";
            for (const QString& column : missingColumns)
                out << "missing column: " << column << "\n";
            for (const QString& index : missingIndexes)
                out << "missing index: " << index << "\n";
            return missing.isEmpty() && missingIndexes.isEmpty() && missingColumns.isEmpty() ? 0 : 1;
        }
        if (parser.isSet(setPassword)) {
            const QString name = parser.value(setPassword);
            if (name.isEmpty() || missing.contains(&Tables::password())) {
                std::fputs(name.isEmpty()
                               ? "qalor-initdb: --set-password needs a name; nothing changed.\n"
                               : "qalor-initdb: the administrator table is missing; run qalor-initdb "
                                 "without --set-password first. Nothing changed.\n",
                           stderr);
                return 2;
            }
            const QString typed = readPassword(parser, passwordFile, password, name, "changed");
            if (typed.isEmpty())
                return 2;
            AdminAccounts(&db).store(name, typed);
            out << "Set the password of " << name << ".\n";
            return 0;
        }
        QStringList created;
        if (!missing.isEmpty()) {
            QString headkeeper;
            if (missing.contains(&Tables::password())) {
                const QString typed =
                    readPassword(parser, passwordFile, password, QStringLiteral("Headkeeper"), "created");
                if (typed.isEmpty())
                    return 2;
                // Stored as a hash: nobody reads the password from the table.
                headkeeper = PasswordHash::hash(typed);
            }
            created = builder.createMissing(headkeeper, parser.isSet(sample));
        }
        // Tables made before an index was part of the schema get it now; their
        // rows stay as they are. (New tables came with theirs.)
        const QStringList columns = builder.addMissingColumns();
        const QStringList indexes = builder.createMissingIndexes();
        // One account of the run: what was made, or that nothing was.
        const qsizetype all = TableRegistry::all().size();
        if (!created.isEmpty())
            out << "Created " << created.size()
                << " tables with their indexes: " << created.join(QStringLiteral(", "))
                << (created.size() < all
                        ? QStringLiteral("; the other %1 were present").arg(all - created.size())
                        : QString())
                << ".\n";
        if (!indexes.isEmpty())
            out << "Created " << indexes.size()
                << " indexes on tables already present: " << indexes.join(QStringLiteral(", ")) << ".\n";
        if (!columns.isEmpty())
            out << "Added " << columns.size()
                << " columns to tables already present: " << columns.join(QStringLiteral(", ")) << ".\n";
        if (created.isEmpty() && indexes.isEmpty() && columns.isEmpty())
            out << "All " << all << " tables and their indexes are present; nothing changed.\n";
        return 0;
    } catch (const DbError& error) {
        std::fprintf(stderr, "qalor-initdb: %s\n", qPrintable(error.message()));
        return 1;
    } catch (const std::bad_alloc&) {
        std::fputs("qalor-initdb: not enough memory to hash the password; nothing changed.\n", stderr);
        return 1;
    }
}
