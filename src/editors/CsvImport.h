#pragma once

#include "db/TableDef.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace qalor {

class CDatabase;

// Puts the rows of a CSV file into one table, replacing its rows or added to
// them. The first record names the columns (any of the table's columns, in any
// order; columns not named get 0 or ""). Every value is checked against its
// column's type, and the table's key against the file's other rows (and the
// table's rows when adding), before anything is written; then the table is
// emptied (when replacing) and all rows are appended in one transaction, or
// nothing changes.
class CsvImport
{
public:
    enum class Mode { Append, Replace };

    struct Result
    {
        int rows = 0;     // rows appended
        int replaced = 0; // rows the table held before, removed by a replacing import
        QString error;    // empty on success: names the lines and column at fault
        bool ok() const { return error.isEmpty(); }
    };

    static Result run(const TableDef& table, const QByteArray& bytes, CDatabase& db,
                      Mode mode = Mode::Append);
    // The rows the table holds now (raises DbError).
    static int tableRows(const TableDef& table, CDatabase& db);
    // The question asked before importing into a table that holds rows, and
    // its buttons in order: 替换, 追加, 取消 (nothing is imported).
    static QString replaceQuestion(int rows);
    static QStringList replaceButtons();
};

} // namespace qalor
