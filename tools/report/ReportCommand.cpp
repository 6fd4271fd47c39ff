#include "ReportCommand.h"

#include "db/ArgumentSecrets.h"
#include "db/CDatabase.h"
#include "db/CsvWriter.h"
#include "format/XlsxSheet.h"
#include "prompt/Prompt.h"
#include "rating/AlertChecker.h"
#include "rating/AlertLog.h"
#include "reports/AlertReport.h"
#include "reports/CountResults.h"
#include "reports/MonthEndOutput.h"
#include "reports/PayNotice.h"
#include "reports/ReportPainter.h"
#include "reports/StatisticsRun.h"

#include <QCommandLineParser>
#include <QTextStream>
#include <cstdio>
#include <functional>
#include <optional>

namespace qalor {

namespace {

// Messages go to standard error; the one question the reports may ask (a
// page too short for three notices) is answered OK, as the PDF page is A4.
class ConsolePrompt : public IPrompt
{
public:
    ConsolePrompt() { Prompt::install(this); }
    ~ConsolePrompt() override { Prompt::install(nullptr); }
    ConsolePrompt(const ConsolePrompt&) = delete;
    ConsolePrompt& operator=(const ConsolePrompt&) = delete;

    void inform(const QString& text) override
    {
        std::fprintf(stderr, "qalor-report: %s\n", qPrintable(text));
        ++shown;
    }
    bool askOkCancel(const QString& text, const QString&) override
    {
        inform(text);
        return true;
    }
    int shown = 0;
};

class UsageError
{
public:
    explicit UsageError(QString text) : message(std::move(text)) {}
    QString message;
};

// Everything one command line asks for.
struct Request
{
    QString command;
    QDate from;
    QDate to;
    DepartmentRange departments;
    int format = 0;
    PayNotice::Kind kind = PayNotice::Departments;
    ExtensionRange extensions{QStringLiteral("0000"), QStringLiteral("9999")};
    bool limitDepartments = false;
    bool runStats = false;       // monthly, notices: the statistics of the period first
    std::optional<CountRun> run; // monthly, notices: the run whose figures they print
    QString pdf;
    QString csv;
    QString xlsx;
};

// A statistics run asked for by --run-stats failed; it has said why.
class RunFailed
{
};

// The reports and notices print tj and BMTJ, which hold the last run's
// figures: a period other than that run's would head one month's figures
// with another month's dates. Without --from and --to the period is the last
// run's; --run-stats totals the period asked for first.
void settlePeriod(Request& request, CDatabase& db)
{
    if (request.runStats && !StatisticsRun(db).run(request.from, request.to))
        throw RunFailed();
    const std::optional<CountRun> last = CountResults(db).lastRun();
    if (!last || !last->start().isValid() || !last->end().isValid())
        throw UsageError(QStringLiteral("还没有统计结果:请先进行统计操作!"));
    if (!request.from.isValid()) {
        request.from = last->start();
        request.to = last->end();
    } else if (request.from != last->start() || request.to != last->end()) {
        throw UsageError(QStringLiteral("统计表中是%1的统计结果,不是%2的:请先统计这个时段(--run-stats)!")
                             .arg(MonthEndOutput::periodText(last->start(), last->end()),
                                  MonthEndOutput::periodText(request.from, request.to)));
    }
    request.run = last;
}

// Figures read after settlePeriod() are that run's only if no other run (of
// another program) was committed meanwhile; otherwise they would stand under
// the wrong period after all.
template <class Figures> Figures ofSettledRun(const Request& request, CDatabase& db, Figures figures)
{
    if (CountResults(db).lastRun() != request.run) {
        Prompt::inform(QStringLiteral("读取统计结果时又进行了一次统计:请重新打印!"));
        throw RunFailed();
    }
    return figures;
}

QDate dateOption(const QCommandLineParser& parser, const QString& name)
{
    if (!parser.isSet(name))
        throw UsageError(QStringLiteral("--%1 YYYY-MM-DD is needed").arg(name));
    const QDate date = QDate::fromString(parser.value(name), QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid())
        throw UsageError(
            QStringLiteral("--%1: \"%2\" is not a date YYYY-MM-DD").arg(name, parser.value(name)));
    return date;
}

int numberOption(const QCommandLineParser& parser, const QString& name, int fallback)
{
    if (!parser.isSet(name))
        return fallback;
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok)
        throw UsageError(QStringLiteral("--%1: \"%2\" is not a number").arg(name, parser.value(name)));
    return value;
}

using Kind = XlsxSheet::Kind;

// The rows of tj or BMTJ as CSV (--csv) or as a typed sheet (--xlsx): numbers
// that are identifiers stay text, amounts are numbers with two decimals.
// Like every export, the file written is named (on standard output, with
// the note of a report that had nothing to print).
int exported(const QString& fileName)
{
    std::printf("qalor-report: %s\n", qPrintable(Prompt::exportedText(fileName)));
    return 0;
}

// A sheet's title names the report and its period, as the printed heading
// does; the CSV file holds the rows alone. A duration is in seconds in the
// CSV file and a time in the sheet.
int writeRows(const Request& request, const QList<XlsxSheet::Column>& columns, const QList<QStringList>& rows,
              const QString& title = QString())
{
    if (!request.xlsx.isEmpty()) {
        QString error;
        if (!XlsxSheet::write(request.xlsx, columns, rows, &error, title)) {
            Prompt::inform(error);
            return 1;
        }
        return exported(request.xlsx);
    }
    CsvWriter csv(request.csv);
    if (!csv.open()) {
        Prompt::inform(csv.errorString());
        return 1;
    }
    QStringList header;
    QList<int> numbers;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        header << (columns[i].kind == Kind::Seconds ? columns[i].title + QStringLiteral("(秒)")
                                                    : columns[i].title);
        if (columns[i].kind != Kind::Text)
            numbers << int(i);
    }
    csv.setNumberColumns(numbers);
    csv.writeRow(header);
    for (const QStringList& row : rows)
        csv.writeRow(row);
    if (!csv.commit()) {
        Prompt::inform(csv.errorString());
        return 1;
    }
    return exported(request.csv);
}

int writePdf(const ReportBuilder& build, const QString& fileName, const ConsolePrompt& prompt)
{
    const int before = prompt.shown;
    QString error;
    bool written = false;
    if (!ReportPainter::writePdf(build, fileName, &error, &written)) {
        Prompt::inform(error);
        return 1;
    }
    if (!written) {
        // The report said why (a result table that cannot be read) or had
        // nothing to print.
        if (prompt.shown > before)
            return 1;
        std::printf("qalor-report: nothing to print; %s not written\n", qPrintable(fileName));
        return 0;
    }
    return exported(fileName);
}

int runRequest(const Request& request, CDatabase& db, const ConsolePrompt& prompt)
{
    if (request.command == QLatin1String("stats")) {
        // A scheduled run waits for one started by hand (or by another
        // machine) rather than failing.
        StatisticsRun run(db);
        run.waitForOthers(true);
        return run.run(request.from, request.to) ? 0 : 1;
    }

    if (request.command == QLatin1String("alerts")) {
        // A rule switched on that the engine passes over raised nothing:
        // said beside the list, which is written all the same.
        QStringList unusable;
        AlertChecker::loadRules(&unusable, &db);
        for (const QString& text : std::as_const(unusable))
            std::fprintf(stderr, "qalor-report: %s\n", qPrintable(text));
        const AlertReport report(AlertLog::list(db, request.from, request.to), request.from, request.to);
        if (request.pdf.isEmpty())
            return writeRows(request, AlertReport::columns(), report.cells());
        return writePdf([&](const PageGeometry& page) { return report.build(page); }, request.pdf, prompt);
    }

    MonthEndOutput::Request what;
    what.document = request.command == QLatin1String("monthly") ? MonthEndOutput::Document::Monthly
                                                                : MonthEndOutput::Document::Notices;
    what.from = request.from;
    what.to = request.to;
    what.departments = request.departments;
    what.format = request.format;
    what.kind = request.kind;
    what.extensions = request.extensions;
    what.limitDepartments = request.limitDepartments;
    const MonthEndOutput output(db, what);
    if (request.pdf.isEmpty()) {
        const MonthEndOutput::Sheet sheet = ofSettledRun(request, db, output.sheet());
        return writeRows(request, sheet.columns, sheet.rows, sheet.title);
    }
    return writePdf([&](const PageGeometry& page) { return ofSettledRun(request, db, output.build(page)); },
                    request.pdf, prompt);
}

} // namespace

int ReportCommand::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Month-end work of the Qalor workstation.\n"
        "  stats    total the calls of the period into tj and BMTJ\n"
        "  monthly  the monthly report of the last run (--pdf) or its rows (--csv, --xlsx)\n"
        "  notices  the payment notices of the last run (--pdf) or their rows (--csv, --xlsx)\n"
        "           (--from and --to, when given, must be the last run's period, or come with --run-stats)\n"
        "  alerts   the alerts of the calls of the period (--pdf, --csv, --xlsx)"));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("stats, monthly, notices or alerts"));
    const auto option = [&](const char* name, const char* help, const char* value = nullptr) {
        parser.addOption(value ? QCommandLineOption(QString::fromUtf8(name), QString::fromUtf8(help),
                                                    QString::fromUtf8(value))
                               : QCommandLineOption(QString::fromUtf8(name), QString::fromUtf8(help)));
    };
    option("connection",
           "ODBC data source name or connection string (default: $QALOR_ODBC, else the DSN TDS).", "odbc");
    option("from", "First day of the period.", "YYYY-MM-DD");
    option("to", "Last day of the period.", "YYYY-MM-DD");
    option("run-stats", "Monthly report, notices: run the statistics of the period first.");
    option("format", "Monthly report: 0 extensions by department (default), 1 departments only.", "0|1");
    option("kind", "Notices: departments (default) or extensions.", "kind");
    option("first-department", "First department number (default: the lowest in 部门表).", "number");
    option("last-department", "Last department number (default: the highest in 部门表).", "number");
    option("first-extension", "Extension notices: first extension, compared as text (default 0000).", "text");
    option("last-extension", "Extension notices: last extension, compared as text (default 9999).", "text");
    option("limit-departments", "Extension notices: only extensions of the department range.");
    option("pdf", "Write the report as a PDF file.", "file");
    option("csv", "Write the rows of tj or BMTJ (alerts: the alerts) as a CSV file instead.", "file");
    option("xlsx",
           "Write the rows of tj or BMTJ (alerts: the alerts) as an .xlsx sheet with typed cells instead.",
           "file");
    // An unknown option or one without its value is a wrong command line
    // (status 2) like any other, not the parser's own status 1, which a
    // scheduler would take for failed work.
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "qalor-report: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    parser.process(arguments); // --help and --help-all

    if (ArgumentSecrets::hasPassword(parser.value(QStringLiteral("connection"))))
        std::fprintf(stderr, "%s\n",
                     qPrintable(ArgumentSecrets::connectionWarning(QStringLiteral("qalor-report"))));

    ConsolePrompt prompt;
    try {
        const QStringList positional = parser.positionalArguments();
        Request request;
        request.command = positional.value(0);
        if (positional.size() != 1 ||
            !QStringList{"stats", "monthly", "notices", "alerts"}.contains(request.command))
            throw UsageError(QStringLiteral("give one command: stats, monthly, notices or alerts (--help)"));
        const bool ofLastRun =
            request.command == QLatin1String("monthly") || request.command == QLatin1String("notices");
        request.runStats = parser.isSet(QStringLiteral("run-stats"));
        if (request.runStats && !ofLastRun)
            throw UsageError(QStringLiteral("--run-stats goes with monthly and notices"));
        // monthly and notices may leave the period to the last run.
        if (!ofLastRun || request.runStats || parser.isSet(QStringLiteral("from")) ||
            parser.isSet(QStringLiteral("to"))) {
            request.from = dateOption(parser, QStringLiteral("from"));
            request.to = dateOption(parser, QStringLiteral("to"));
        }
        if (request.command != QLatin1String("stats")) {
            request.pdf = parser.value(QStringLiteral("pdf"));
            request.csv = parser.value(QStringLiteral("csv"));
            request.xlsx = parser.value(QStringLiteral("xlsx"));
            if (int(!request.pdf.isEmpty()) + int(!request.csv.isEmpty()) + int(!request.xlsx.isEmpty()) != 1)
                throw UsageError(QStringLiteral("give one of --pdf FILE, --csv FILE or --xlsx FILE"));
            request.format = numberOption(parser, QStringLiteral("format"), 0);
            if (request.format != 0 && request.format != 1)
                throw UsageError(QStringLiteral("--format is 0 or 1"));
            const QString kind = parser.value(QStringLiteral("kind"));
            if (!kind.isEmpty() && kind != QLatin1String("departments") &&
                kind != QLatin1String("extensions"))
                throw UsageError(QStringLiteral("--kind is departments or extensions"));
            request.kind =
                kind == QLatin1String("extensions") ? PayNotice::Extensions : PayNotice::Departments;
            if (parser.isSet(QStringLiteral("first-extension")))
                request.extensions.first = parser.value(QStringLiteral("first-extension"));
            if (parser.isSet(QStringLiteral("last-extension")))
                request.extensions.last = parser.value(QStringLiteral("last-extension"));
            request.limitDepartments = parser.isSet(QStringLiteral("limit-departments"));
        }

        CDatabase db(parser.isSet(QStringLiteral("connection")) ? parser.value(QStringLiteral("connection"))
                                                                : CDatabase::defaultConnectionString());
        db.open();
        if (request.command != QLatin1String("stats") && request.command != QLatin1String("alerts")) {
            settlePeriod(request, db);
            // Without a range, every department, as the dialogs preselect.
            const DepartmentRange all = MonthEndOutput::allDepartments(db);
            request.departments = {numberOption(parser, QStringLiteral("first-department"), all.first),
                                   numberOption(parser, QStringLiteral("last-department"), all.last)};
        }
        return runRequest(request, db, prompt);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "qalor-report: %s\n", qPrintable(error.message));
        return 2;
    } catch (const RunFailed&) {
        return 1;
    } catch (const DbError& error) {
        Prompt::inform(error.message());
        return 1;
    } catch (const std::bad_alloc&) {
        Prompt::inform(Prompt::outOfMemoryText());
        return 1;
    }
}

} // namespace qalor
