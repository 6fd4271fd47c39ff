#pragma once

#include "db/TableDef.h"
#include "format/XlsxSheet.h"

namespace qalor {

class GridModel;

// Writes the rows a grid shows as an .xlsx sheet with typed cells: text
// columns stay text (prefixes and numbers keep their leading zeros), amounts
// of money are numbers with two decimals, other numbers are numbers and 日期
// (yymmdd) a date. Returns the failure text, empty on success.
class XlsxExport
{
public:
    static QString write(const GridModel& model, const QString& fileName);
    static XlsxSheet::Kind kindOf(const ColumnDef& column);
};

} // namespace qalor
