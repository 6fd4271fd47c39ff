#include "reports/DetailXlsx.h"

#include "format/XlsxSheet.h"
#include "reports/DetailCsv.h"

namespace qalor::DetailXlsx {

bool write(CallSource& calls, const QString& fileName, QString* error)
{
    using K = XlsxSheet::Kind;
    // In the order of DetailCsv::heading().
    const K kinds[] = {K::Text,   K::Text,  K::Date,  K::Text,  K::Seconds, K::Money,
                       K::Number, K::Money, K::Money, K::Money, K::Text};
    QList<XlsxSheet::Column> columns;
    const QStringList heading = DetailCsv::heading();
    for (int i = 0; i < heading.size(); ++i)
        columns.append({kinds[i] == K::Seconds ? XlsxSheet::durationTitle() : heading.at(i), kinds[i]});
    QList<QStringList> rows;
    CallRow row;
    calls.rewind();
    while (calls.next(row))
        rows << DetailCsv::fields(row);
    QString reason;
    if (XlsxSheet::write(fileName, columns, rows, &reason))
        return true;
    if (error)
        *error = reason;
    return false;
}

} // namespace qalor::DetailXlsx
