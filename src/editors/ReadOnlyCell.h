#pragma once

#include <QTableWidgetItem>

namespace qalor {

// A cell of a list that is only read: selectable, not editable; numbers
// aligned to the right.
inline QTableWidgetItem* readOnlyCell(const QString& text, bool number = false)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    if (number)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace qalor
