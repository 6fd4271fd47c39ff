#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace qalor {

// One sheet of an .xlsx workbook with typed cells, for the spreadsheet
// programs the month end goes on in. Cells are given as the texts a CSV file
// would carry; each column's kind decides what the cell holds:
//   Text     the text as it is (identifiers keep leading zeros: 006519889042)
//   Number   a number (text that is none stays text)
//   Money    a number shown with two decimals
//   Seconds  a duration, shown as [h]:mm:ss
//   Date     a date (yymmdd, yyyymmdd or yyyy-mm-dd), shown as yyyy-mm-dd
//   DateTime a moment (yyyy-mm-dd hh:mm:ss), shown so
// An empty text leaves its cell empty. A duration column is titled without a
// unit (its cells show the time); durationTitle() gives the one title every
// sheet uses for a call's duration.
class XlsxSheet
{
public:
    enum class Kind { Text, Number, Money, Seconds, Date, DateTime };
    struct Column
    {
        QString title;
        Kind kind = Kind::Text;
    };

    static QString durationTitle() { return QStringLiteral("通话时长"); }

    // Writes the title (when given) in the first row, then the heading row
    // and the rows; the file appears only when complete. False with the
    // reason in *error.
    static bool write(const QString& fileName, const QList<Column>& columns, const QList<QStringList>& rows,
                      QString* error, const QString& title = QString());
};

} // namespace qalor
