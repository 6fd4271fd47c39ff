#include "db/CsvReader.h"

#include "db/CsvWriter.h"

#include <QStringDecoder>
#include <cerrno>
#include <iconv.h>

namespace qalor {

namespace {

// False when glibc has no GBK converter.
bool iconvGbk(const QByteArray& bytes, QString& text)
{
    iconv_t cd = iconv_open("UTF-8", "GBK");
    if (cd == iconv_t(-1))
        return false;
    QByteArray out;
    out.reserve(bytes.size() * 3 / 2 + 16);
    char buffer[4096];
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t done = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, qsizetype(sizeof buffer - outLeft));
        if (done == size_t(-1) && errno != E2BIG) {
            // EILSEQ or EINVAL (a lead byte at the end): skip the byte.
            out.append("\xEF\xBF\xBD");
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    text = QString::fromUtf8(out);
    return true;
}

} // namespace

QString CsvReader::decodeGbk(const QByteArray& bytes)
{
    // glibc first: Qt's GBK codec needs ICU, and even with it a lead byte at
    // the very end is silently dropped instead of shown as U+FFFD.
    QString text;
    if (iconvGbk(bytes, text))
        return text;
    QStringDecoder gbk("GBK");
    return gbk.isValid() ? gbk.decode(bytes) : QString::fromLatin1(bytes);
}

QString CsvReader::decodeGbkThroughIconv(const QByteArray& bytes)
{
    QString text;
    iconvGbk(bytes, text);
    return text;
}

QString CsvReader::decode(const QByteArray& bytes, Encoding* detected)
{
    if (detected)
        *detected = Encoding::Utf8;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    if (detected)
        *detected = Encoding::Gbk;
    return decodeGbk(bytes);
}

QString CsvReader::withoutFormulaMark(const QString& field)
{
    if (field.startsWith(QLatin1Char('\'')) && CsvWriter::startsLikeFormula(field.mid(1)))
        return field.mid(1);
    return field;
}

QList<CsvReader::Record> CsvReader::parseBytes(const QByteArray& bytes, Encoding* detected)
{
    return parse(decode(bytes, detected));
}

QList<CsvReader::Record> CsvReader::parse(const QString& text)
{
    QList<Record> records;
    Record record;
    QString field;
    bool quoted = false;       // inside a quoted field
    bool fieldStarted = false; // the record has at least one character or separator
    int line = 1;
    record.line = 1;

    auto endField = [&] {
        record.fields.append(withoutFormulaMark(field));
        field.clear();
    };
    auto endRecord = [&](int nextLine) {
        if (fieldStarted || !field.isEmpty()) {
            endField();
            records.append(record);
        }
        record = Record{};
        record.line = nextLine;
        field.clear();
        fieldStarted = false;
    };

    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                    field.append(c);
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == QLatin1Char('\n') || (c == QLatin1Char('\r') && !(i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))))
                    ++line;
                field.append(c);
            }
            continue;
        }
        if (c == QLatin1Char(',')) {
            fieldStarted = true;
            endField();
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            ++line;
            endRecord(line);
        } else if (c == QLatin1Char('"') && field.isEmpty()) {
            // A quote opens a quoted field only at the field's start.
            quoted = true;
            fieldStarted = true;
        } else {
            field.append(c);
            fieldStarted = true;
        }
    }
    endRecord(line);
    return records;
}

} // namespace qalor
