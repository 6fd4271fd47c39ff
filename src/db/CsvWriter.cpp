#include "db/CsvWriter.h"

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

void CsvWriter::writeRow(const QStringList& fields)
{
    QStringList cells;
    cells.reserve(fields.size());
    for (const QString& field : fields)
        cells << quoted(field);
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
