#pragma once

#include <QStyledItemDelegate>

namespace qalor {

class GridModel;

// The cells of the alert rule editor as people read them: 规则类型 by name
// (chosen from a list), 是否启用 as a check box, 起始时间 and 结束时间 as
// times of day, and the threshold columns the row's kind does not read
// greyed out and closed to typing.
class AlertRuleDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    // Serves the columns of model's grid that show 告警规则表.
    AlertRuleDelegate(const GridModel& model, QObject* parent = nullptr);

    // Whether the row's kind reads that grid column (always for the columns
    // every kind reads).
    bool usedByRow(const QModelIndex& index) const;

    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    int tableColumn(const QModelIndex& index) const;

    const GridModel& m_model;
};

} // namespace qalor
