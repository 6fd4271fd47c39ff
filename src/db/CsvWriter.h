#pragma once

#include <QSaveFile>
#include <QString>
#include <QStringList>

namespace qalor {

// Writes a CSV file the way spreadsheet programs open it without asking:
// UTF-8 with a byte-order mark, comma-separated, CRLF line ends, fields quoted
// when they hold a comma, a quote, a line break or leading/trailing blanks.
// The file appears under its name only when commit() succeeds; a failure on
// the way leaves any earlier file of that name as it was.
class CsvWriter
{
public:
    explicit CsvWriter(const QString& fileName);

    // False with errorString() when the file cannot be created.
    bool open();
    void writeRow(const QStringList& fields);
    bool commit();
    QString errorString() const;

    static QString quoted(const QString& field);

private:
    QSaveFile m_file;
};

} // namespace qalor
