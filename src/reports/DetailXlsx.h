#pragma once

#include "reports/CallSource.h"

#include <QString>

namespace qalor {

// The calls of a detail-bill query as an .xlsx sheet: the columns of the CSV
// export with typed cells (numbers stay text, dates are dates, durations are
// times, amounts are numbers with two decimals).
namespace DetailXlsx {

// Writes every call of the source from its first; false with the reason.
// Database failures raise DbError and leave no file.
bool write(CallSource& calls, const QString& fileName, QString* error);

} // namespace DetailXlsx

} // namespace qalor
