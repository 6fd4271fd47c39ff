#include "editors/AlertRuleDelegate.h"

#include "db/sets/CAlertRuleSet.h"
#include "gui/GridModel.h"
#include "rating/AlertRule.h"
#include "rating/AlertRuleCheck.h"
#include "rating/CallCostWriter.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>

namespace qalor {

namespace {
using C = CAlertRuleSet;

QString timeText(const QString& stored)
{
    const int second = AlertRule::secondOfDay(stored);
    if (second < 0)
        return stored; // shown as typed, so that it can be corrected
    return QStringLiteral("%1:%2:%3")
        .arg(second / 3600, 2, 10, QLatin1Char('0'))
        .arg(second / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(second % 60, 2, 10, QLatin1Char('0'));
}
} // namespace

AlertRuleDelegate::AlertRuleDelegate(const GridModel& model, QObject* parent)
    : QStyledItemDelegate(parent), m_model(model)
{
}

int AlertRuleDelegate::tableColumn(const QModelIndex& index) const
{
    return m_model.tableColumns().value(index.column(), -1);
}

bool AlertRuleDelegate::usedByRow(const QModelIndex& index) const
{
    const int column = tableColumn(index);
    static const QList<int> thresholds = {C::Amount, C::Seconds, C::Prefix, C::From,
                                          C::To,     C::Count,   C::Minutes};
    if (!thresholds.contains(column))
        return true;
    const int kindColumn = int(m_model.tableColumns().indexOf(C::Kind));
    if (kindColumn < 0)
        return true;
    const int kind = m_model.value(index.row(), kindColumn).toInt();
    return AlertRuleCheck::kindColumns(kind).contains(column);
}

void AlertRuleDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const int column = tableColumn(index);
    const bool newRow = m_model.isNewRow(index.row()) && m_model.unwrittenRow() != index.row();
    if (!usedByRow(index)) {
        option->text.clear();
        option->backgroundBrush = option->palette.brush(QPalette::Disabled, QPalette::Window);
        return;
    }
    if (newRow)
        return;
    const QVariant value = m_model.value(index.row(), index.column());
    if (column == C::Kind) {
        option->text = AlertRuleCheck::kindName(value.toInt());
    } else if (column == C::From || column == C::To) {
        option->text = timeText(value.toString());
    } else if (column == C::Enabled) {
        option->features |= QStyleOptionViewItem::HasCheckIndicator;
        option->checkState = value.toInt() != 0 ? Qt::Checked : Qt::Unchecked;
        option->text.clear();
    }
}

QWidget* AlertRuleDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const
{
    const int column = tableColumn(index);
    if (!usedByRow(index) || column == C::Enabled)
        return nullptr;
    if (column == C::Kind) {
        auto* kinds = new QComboBox(parent);
        kinds->addItems(AlertRuleCheck::kindNames());
        return kinds;
    }
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void AlertRuleDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* kinds = qobject_cast<QComboBox*>(editor)) {
        kinds->setCurrentIndex(qMax(0, m_model.value(index.row(), index.column()).toInt() - 1));
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void AlertRuleDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                     const QModelIndex& index) const
{
    if (auto* kinds = qobject_cast<QComboBox*>(editor)) {
        model->setData(index, kinds->currentIndex() + 1);
        return;
    }
    const int column = tableColumn(index);
    if (column == C::From || column == C::To) {
        // Kept as the table holds times: "22:00" typed is stored "220000";
        // a time that cannot be read is kept as typed and refused with the row.
        const QString typed = editor->property("text").toString();
        const int second = AlertRule::secondOfDay(typed);
        model->setData(index, second < 0 ? typed : CallCostWriter::timeText(second));
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

bool AlertRuleDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                    const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (tableColumn(index) != C::Enabled || !(model->flags(index) & Qt::ItemIsEditable))
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    const bool click = event->type() == QEvent::MouseButtonRelease &&
                       static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
                       option.rect.contains(static_cast<QMouseEvent*>(event)->position().toPoint());
    const bool space =
        event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space;
    if (!click && !space)
        return false;
    const bool on = m_model.value(index.row(), index.column()).toInt() != 0;
    return model->setData(index, on ? 0 : 1);
}

} // namespace qalor
