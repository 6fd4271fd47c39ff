#include "db/CsvWriter.h"

#include <QRegularExpression>

namespace qalor {

CsvWriter::CsvWriter(const QString& fileName) : m_file(fileName) {}

bool CsvWriter::open()
{
    if (!m_file.open(QIODevice::WriteOnly))
        return false;
    m_file.write("\xEF\xBB\xBF");
    return true;
}

QString CsvWriter::quoted(const QString& field)
{
    const bool needsQuotes = field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"'))
                             || field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r'))
                             || field.startsWith(QLatin1Char(' ')) || field.endsWith(QLatin1Char(' '));
    if (!needsQuotes)
        return field;
    QString text = field;
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

bool CsvWriter::startsLikeFormula(const QString& text)
{
    if (text.isEmpty())
        return false;
    const QChar first = text.front();
    return first == QLatin1Char('=') || first == QLatin1Char('+') || first == QLatin1Char('-') ||
           first == QLatin1Char('@') || first == QLatin1Char('\t') || first == QLatin1Char('\r');
}

bool CsvWriter::isNumber(const QString& text)
{
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(?:[0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?\\z"));
    return number.match(text).hasMatch();
}

QString CsvWriter::neutralised(const QString& text)
{
    return startsLikeFormula(text) ? QLatin1Char('\'') + text : text;
}

void CsvWriter::writeRow(const QStringList& fields)
{
    QStringList cells;
    cells.reserve(fields.size());
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const QString& field = fields.at(i);
        // A cell of a number column that does not hold a number is text too.
        const bool number = m_headerWritten && m_numberColumns.contains(int(i)) && isNumber(field);
        cells << quoted(number ? field : neutralised(field));
    }
    m_headerWritten = true;
    m_file.write((cells.join(QLatin1Char(',')) + QStringLiteral("\r\n")).toUtf8());
}

bool CsvWriter::commit()
{
    return m_file.commit();
}

QString CsvWriter::errorString() const
{
    return m_file.errorString();
}

} // namespace qalor
