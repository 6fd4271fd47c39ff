#pragma once

#include <QString>
#include <QVariant>

#include "db/TableDef.h"

namespace qalor {

class GridModel;

// Writes the rows a grid shows as CSV: a header row of the column names, then
// one row per fetched row, numbers in a form that reads back to the same
// value. Returns the failure text, empty on success.
class CsvExport
{
public:
    static QString write(const GridModel& model, const QString& fileName);
};

} // namespace qalor
