#include "editors/CsvExport.h"

#include "db/CsvWriter.h"
#include "editors/GridModel.h"
#include "format/Money.h"


namespace qalor {

QString CsvExport::exactText(ColumnType type, const QVariant& value)
{
    // The shortest forms that read back to the same number.
    switch (type) {
    case ColumnType::Single:
        return ShortestText(value.toFloat());
    case ColumnType::Double:
        return ShortestText(value.toDouble());
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
