#include "editors/CsvExport.h"

#include "db/CsvWriter.h"
#include "gui/GridModel.h"


namespace qalor {

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
            fields << GridModel::exactText(model.columnDef(column).type, model.value(row, column));
        writer.writeRow(fields);
    }
    if (!writer.commit())
        return writer.errorString();
    return {};
}

} // namespace qalor
