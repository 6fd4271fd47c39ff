#pragma once

#include "reports/CallSource.h"

#include <QString>
#include <QStringList>

namespace qalor {

// The calls of a detail-bill query as a CSV file for spreadsheet programs:
// a heading row, then one row per call with the amounts as plain numbers.
namespace DetailCsv {

QStringList heading();
QStringList fields(const CallRow& row);
// Writes every call of the source from its first. The file appears only when
// complete; false with the reason otherwise. Database failures raise DbError
// and leave no file either.
bool write(CallSource& calls, const QString& fileName, QString* error);

} // namespace DetailCsv

} // namespace qalor
