#include "db/TableDef.h"

namespace qalor {

int TableDef::indexOf(const QString& column) const
{
    for (int i = 0; i < columns.size(); ++i)
        if (columns.at(i).name.compare(column, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QList<int> TableDef::keyColumns() const
{
    QList<int> indexes;
    for (const QString& column : key)
        indexes << indexOf(column);
    return indexes;
}

} // namespace qalor
