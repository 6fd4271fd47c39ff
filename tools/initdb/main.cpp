// qalor-initdb: creates the tables of the data source "TDS" (or of the
// connection given) with their default rows, and the columns and indexes
// that tables already there lack. Rows that already exist are never touched.

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

QString askPassword()
{
    // A password given on standard input (a pipe, a file) is read without
    // asking: the question would only run into the next line of the output.
    const bool terminal = isatty(STDIN_FILENO);
    for (;;) {
        if (terminal)
            std::fputs("Headkeeper 口令: ", stderr);
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
    const QCommandLineOption sample(QStringLiteral("sample"), QStringLiteral("Add the demonstration data set."));
    const QCommandLineOption passwordFile(
        QStringLiteral("password-file"),
        QStringLiteral(
            "Read the Headkeeper password from the first line of this file, which only its owner may "
            "read (mode 0600). Without it the password is asked on the terminal, or read from the "
            "first line of standard input when that is not a terminal."),
        QStringLiteral("file"));
    const QCommandLineOption password(
        QStringLiteral("password"),
        QStringLiteral("Password of the Headkeeper account. Deprecated: other "
                       "users see it in the process list; use --password-file."),
        QStringLiteral("password"));
    const QCommandLineOption check(QStringLiteral("check"),
                                   QStringLiteral("Only report which tables and indexes are missing; exit 1 if any."));
    parser.addOptions({connection, sample, passwordFile, password, check});
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
        CDatabase db(parser.isSet(connection) ? parser.value(connection) : CDatabase::defaultConnectionString());
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
        QStringList created;
        if (!missing.isEmpty()) {
            QString headkeeper;
            if (missing.contains(&Tables::password())) {
                if (parser.isSet(passwordFile)) {
                    QString error;
                    const std::optional<QString> read =
                        ArgumentSecrets::readPasswordFile(parser.value(passwordFile), &error);
                    if (!read) {
                        std::fprintf(stderr, "qalor-initdb: %s; nothing created.\n", qPrintable(error));
                        return 2;
                    }
                    headkeeper = *read;
                } else {
                    headkeeper = parser.isSet(password) ? parser.value(password) : askPassword();
                }
                if (headkeeper.isEmpty()) {
                    std::fputs("qalor-initdb: a Headkeeper password is needed; nothing created.\n", stderr);
                    return 2;
                }
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
    }
}
