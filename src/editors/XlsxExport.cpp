#include "editors/XlsxExport.h"

#include "gui/GridModel.h"

namespace qalor {

XlsxSheet::Kind XlsxExport::kindOf(const ColumnDef& column)
{
    if (column.money)
        return XlsxSheet::Kind::Money;
    if (column.type == ColumnType::Text)
        return column.name == QStringLiteral("日期") ? XlsxSheet::Kind::Date : XlsxSheet::Kind::Text;
    return XlsxSheet::Kind::Number;
}

QString XlsxExport::write(const GridModel& model, const QString& fileName)
{
    QList<XlsxSheet::Column> columns;
    for (int column = 0; column < model.columnCount(); ++column)
        columns.append({model.columnDef(column).name, kindOf(model.columnDef(column))});
    QList<QStringList> rows;
    for (int row = 0; row < model.recordCount(); ++row) {
        QStringList fields;
        for (int column = 0; column < model.columnCount(); ++column)
            fields << GridModel::exactText(model.columnDef(column).type, model.value(row, column));
        rows << fields;
    }
    QString error;
    if (!XlsxSheet::write(fileName, columns, rows, &error))
        return error;
    return {};
}

} // namespace qalor
