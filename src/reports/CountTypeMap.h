#pragma once

#include "db/CDatabase.h"

#include <QHash>
#include <QStringList>
#include <optional>

namespace qalor {

// Which charge column of tj receives the calls of each statistics type, as
// 统计类型表 says. A description must be one of the four charge columns; the
// column is then taken from this fixed list, never from the table's text, so
// nothing a person typed into the table reaches a statement.
class CountTypeMap
{
public:
    // 市话, 本地网, 长途, 信息台等: the charge columns of tj in their order.
    static const QStringList& chargeColumns();
    static constexpr int ChargeColumnCount = 4;

    // Reads 统计类型表 and checks every row. When the table cannot be read or
    // a row names no charge column (or a type has two rows), shows why and
    // returns nothing.
    static std::optional<CountTypeMap> load(CDatabase& db);

    // Index into chargeColumns(), or -1 when the type has no row.
    int columnOf(int type) const { return m_columns.value(type, -1); }
    // The charge columns that at least one type names, in column order.
    QList<int> usedColumns() const;

    void add(int type, int column) { m_columns.insert(type, column); }

private:
    QHash<int, int> m_columns;
};

} // namespace qalor
