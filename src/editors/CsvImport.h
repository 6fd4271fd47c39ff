#pragma once

#include "db/TableDef.h"

#include <QByteArray>
#include <QString>

namespace qalor {

class CDatabase;

// Appends the rows of a CSV file to one table. The first record names the
// columns (any of the table's columns, in any order; columns not named get 0
// or ""). Every value is checked against its column's type before anything is
// written; then all rows are appended in one transaction, or none.
class CsvImport
{
public:
    struct Result
    {
        int rows = 0;  // rows appended
        QString error; // empty on success: names the line and column at fault
        bool ok() const { return error.isEmpty(); }
    };

    static Result run(const TableDef& table, const QByteArray& bytes, CDatabase& db);
};

} // namespace qalor
