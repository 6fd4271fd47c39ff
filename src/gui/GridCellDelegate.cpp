#include "gui/GridCellDelegate.h"

#include "gui/GridModel.h"

#include <QLineEdit>

namespace qalor {

QWidget* GridCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const
{
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    const auto* model = qobject_cast<const GridModel*>(index.model());
    if (auto* line = qobject_cast<QLineEdit*>(editor); line && model && model->isSealed(index.column()))
        line->setEchoMode(QLineEdit::Password);
    return editor;
}

} // namespace qalor
