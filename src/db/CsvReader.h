#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace qalor {

// Reads CSV text as spreadsheet programs write it: comma-separated fields,
// fields in double quotes may hold commas, line breaks and doubled quotes;
// CRLF, LF or CR end a record. The bytes are UTF-8 (with or without a
// byte-order mark) or, when they are not valid UTF-8, GBK. Any input gives a
// result: an unclosed quote runs to the end of the text, a stray quote inside
// an unquoted field is kept as a character. The apostrophe CsvWriter puts
// before a text a spreadsheet would take for a formula is taken off: a field
// of an apostrophe and =, +, -, @, a tab or a carriage return reads as the
// text after the apostrophe.
class CsvReader
{
public:
    struct Record
    {
        int line = 0; // the line of the file where the record starts, from 1
        QStringList fields;
    };
    enum class Encoding { Utf8, Gbk };

    // A field as the file holds it, without the formula mark.
    static QString withoutFormulaMark(const QString& field);

    // Records in file order; lines that are wholly empty give no record.
    static QList<Record> parse(const QString& text);
    static QList<Record> parseBytes(const QByteArray& bytes, Encoding* detected = nullptr);

    // UTF-8 when the bytes start with its byte-order mark or are valid
    // UTF-8; otherwise GBK. The mark is not part of the text.
    static QString decode(const QByteArray& bytes, Encoding* detected = nullptr);
    // Through glibc's iconv (Qt's own GBK codec only when glibc has none).
    // Bytes that are not GBK become U+FFFD, one per byte.
    static QString decodeGbk(const QByteArray& bytes);
    // The iconv path alone (empty when glibc has no GBK converter).
    static QString decodeGbkThroughIconv(const QByteArray& bytes);
};

} // namespace qalor
