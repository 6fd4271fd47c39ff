#pragma once

#include "db/CRecordSet.h"

#include <QString>

namespace qalor {

// Opens a record set; when the data source refuses (no connection, no such
// table), shows the operation's own "cannot open" text and returns false.
// Errors after a successful open keep their driver text (see runGuarded).
bool openOrReport(CRecordSet& set, const QString& cannotOpenText);

} // namespace qalor
