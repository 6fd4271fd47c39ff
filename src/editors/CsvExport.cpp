#include "editors/CsvExport.h"

#include "db/CsvWriter.h"
#include "editors/GridModel.h"

#include <QLocale>

namespace qalor {

QString CsvExport::exactText(ColumnType type, const QVariant& value)
{
    switch (type) {
    case ColumnType::Single: {
        // The shortest form that reads back to the same single.
        const float number = value.toFloat();
        for (int digits = 6; digits < 9; ++digits) {
            const QString text = QString::number(double(number), 'g', digits);
            if (text.toFloat() == number)
                return text;
        }
        return QString::number(double(number), 'g', 9);
    }
    case ColumnType::Double:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    default:
        return value.toString();
    }
}

QString CsvExport::write(const GridModel& model, const QString& fileName)
{
    CsvWriter writer(fileName);
    if (!writer.open())
        return writer.errorString();
    QStringList header;
    QList<int> numbers;
    for (int column = 0; column < model.columnCount(); ++column) {
        header << model.columnDef(column).name;
        if (model.columnDef(column).type != ColumnType::Text)
            numbers << column;
    }
    writer.setNumberColumns(numbers);
    writer.writeRow(header);
    for (int row = 0; row < model.recordCount(); ++row) {
        QStringList fields;
        for (int column = 0; column < model.columnCount(); ++column)
            fields << exactText(model.columnDef(column).type, model.value(row, column));
        writer.writeRow(fields);
    }
    if (!writer.commit())
        return writer.errorString();
    return {};
}

} // namespace qalor
