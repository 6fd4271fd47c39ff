#include "reports/CountTypeMap.h"

#include "db/sets/CCountTypeSet.h"
#include "prompt/OpenOrReport.h"
#include "prompt/Prompt.h"

#include <algorithm>

namespace qalor {

const QStringList& CountTypeMap::chargeColumns()
{
    static const QStringList columns = {QStringLiteral("市话"), QStringLiteral("本地网"), QStringLiteral("长途"),
                                        QStringLiteral("信息台等")};
    return columns;
}

std::optional<CountTypeMap> CountTypeMap::load(CDatabase& db)
{
    CCountTypeSet set(&db);
    if (!openOrReport(set, QStringLiteral("无法 打开统计类型表,统计工作无法进行!")))
        return std::nullopt;
    CountTypeMap map;
    for (int row = 1; !set.isEOF(); set.moveNext(), ++row) {
        const int type = set.integer(CCountTypeSet::CountType);
        const QString description = set.text(CCountTypeSet::Description);
        const int column = chargeColumns().indexOf(description.trimmed());
        if (column < 0) {
            Prompt::inform(QStringLiteral("统计类型表第%1行(统计类型 %2)的类型描述\"%3\"不是统计表的费用列,\n"
                                          "类型描述只能是 市话、本地网、长途 或 信息台等,统计工作无法进行!")
                               .arg(row)
                               .arg(type)
                               .arg(description));
            return std::nullopt;
        }
        if (map.columnOf(type) >= 0) {
            Prompt::inform(QStringLiteral("统计类型表第%1行的统计类型 %2 已经登记过一次,\n"
                                          "每个统计类型只能对应一个费用列,统计工作无法进行!")
                               .arg(row)
                               .arg(type));
            return std::nullopt;
        }
        map.add(type, column);
    }
    return map;
}

QList<int> CountTypeMap::usedColumns() const
{
    QList<int> used;
    for (int column : m_columns)
        if (!used.contains(column))
            used.append(column);
    std::sort(used.begin(), used.end());
    return used;
}

} // namespace qalor
