#pragma once

#include <QStyledItemDelegate>

namespace qalor {

// The grid's cell editor: the standard one, except that a sealed column
// (GridModel::setSealedColumn, a password) hides what is typed.
class GridCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
};

} // namespace qalor
