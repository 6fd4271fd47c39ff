#pragma once

#include <QList>
#include <QSaveFile>
#include <QString>
#include <QStringList>

namespace qalor {

// Writes a CSV file the way spreadsheet programs open it without asking:
// UTF-8 with a byte-order mark, comma-separated, CRLF line ends, fields quoted
// when they hold a comma, a quote, a line break or leading/trailing blanks.
// The file appears under its name only when commit() succeeds; a failure on
// the way leaves any earlier file of that name as it was.
//
// A spreadsheet takes a cell that starts with =, +, -, @, a tab or a carriage
// return for a formula, and a formula in a user name or a destination can
// open links or run commands when the file is opened. Such text cells are
// written with a leading apostrophe, the mark spreadsheets use for "this is
// text"; CsvReader takes it off again. Cells of the number columns that hold
// a number ("-5", "1.5e-07") are written as they are.
class CsvWriter
{
public:
    explicit CsvWriter(const QString& fileName);

    // False with errorString() when the file cannot be created.
    bool open();
    // The columns (from 0) whose cells are numbers in every row but the header.
    void setNumberColumns(const QList<int>& columns) { m_numberColumns = columns; }
    void writeRow(const QStringList& fields);
    bool commit();
    QString errorString() const;

    static QString quoted(const QString& field);
    // The cell of a text column as written: with the apostrophe when a
    // spreadsheet would take it for a formula.
    static QString neutralised(const QString& text);
    static bool startsLikeFormula(const QString& text);
    static bool isNumber(const QString& text);

private:
    QSaveFile m_file;
    QList<int> m_numberColumns;
    bool m_headerWritten = false;
};

} // namespace qalor
