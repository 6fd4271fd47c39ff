#pragma once

// ReportCommand: the month-end work of the statistics dialogs from a command
// line, for schedulers.
//
//   qalor-report stats   --from 2024-01-01 --to 2024-01-31
//   qalor-report monthly [--from ... --to ...] [--run-stats] [--format 0|1] [--first-department N]
//                        [--last-department N] --pdf FILE | --csv FILE | --xlsx FILE
//   qalor-report notices [--from ... --to ...] [--run-stats] [--kind departments|extensions] [--first-department N]
//                        [--last-department N] [--first-extension TEXT] [--last-extension TEXT]
//                        [--limit-departments] --pdf FILE | --csv FILE | --xlsx FILE
//   qalor-report alerts  --from ... --to ... --pdf FILE | --csv FILE | --xlsx FILE
//
// Every command takes --connection (an ODBC DSN or connection string; else
// $QALOR_ODBC, else the DSN TDS). monthly and notices print the figures of
// the last statistics run under its period; a period other than that run's
// is refused unless --run-stats totals it first. run() returns the exit
// status: 0 when the work was done, 1 when it failed (the reason is on
// standard error), 2 for a wrong command line or a period not the last run's.

#include <QStringList>

namespace qalor {

class ReportCommand
{
public:
    int run(const QStringList& arguments);
};

} // namespace qalor
