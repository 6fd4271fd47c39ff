#include "gui/GridDialog.h"

#include "gui/GridCellDelegate.h"
#include "prompt/Prompt.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace qalor {

GridDialog::GridDialog(const QString& caption, const QString& recordSource, QWidget* parent, CDatabase* db)
    : QDialog(parent), m_model(new GridModel(this, db)), m_grid(new QTableView(this))
{
    setWindowTitle(caption);
    setModal(true);

    m_grid->setModel(m_model);
    m_grid->setItemDelegate(new GridCellDelegate(m_grid));
    m_grid->setAccessibleName(caption.isEmpty() ? QStringLiteral("数据表") : caption);
    m_grid->setAccessibleDescription(recordSource);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->installEventFilter(this);
    m_grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* deleteRows = new QAction(QStringLiteral("删除行"), m_grid);
    connect(deleteRows, &QAction::triggered, this, &GridDialog::deleteSelectedRows);
    m_grid->addAction(deleteRows);

    // A row is written when the person leaves it, as in a data grid.
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex&, const QModelIndex& previous) {
                if (previous.isValid() && previous.row() == m_model->unwrittenRow())
                    leaveRow(previous.row());
            });
    // Enter in the last column of the new row writes it at once.
    connect(m_grid->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [this](QWidget*, QAbstractItemDelegate::EndEditHint hint) {
                const QModelIndex current = m_grid->currentIndex();
                if (hint == QAbstractItemDelegate::SubmitModelCache && current.isValid() &&
                    m_model->isNewRow(current.row()) && current.column() == m_model->columnCount() - 1 &&
                    m_model->unwrittenRow() == current.row())
                    m_model->writeRow();
            });

    auto* body = new QHBoxLayout;
    body->addWidget(m_grid, 1);
    m_side = new QVBoxLayout;
    body->addLayout(m_side);

    m_buttons = new QHBoxLayout;
    m_buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(m_buttons);
    resize(760, 480);

    m_model->setRecordSource(recordSource);
    m_model->refresh();
}

QPushButton* GridDialog::addButton(const QString& caption, std::function<void()> handler)
{
    auto* button = new QPushButton(caption, this);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [handler = std::move(handler)] { handler(); });
    m_buttons->addWidget(button);
    return button;
}

QPushButton* GridDialog::addCloseButton(const QString& caption, int result)
{
    return addButton(caption, [this, result] { done(result); });
}

void GridDialog::addSideWidget(QWidget* widget)
{
    m_side->addWidget(widget);
}

void GridDialog::addNote(const QString& text)
{
    auto* note = new QWidget(this);
    auto* row = new QHBoxLayout(note);
    auto* icon = new QLabel(note);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    icon->setAccessibleName(QStringLiteral("提示"));
    auto* label = new QLabel(text, note);
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addWidget(label, 1);
    m_side->addWidget(note);
    m_side->addStretch(1);
}

void GridDialog::done(int result)
{
    // A cell editor still open holds a value not yet written: taking the focus
    // from it hands the value to the row.
    if (editorOpen())
        m_grid->setFocus();
    const int row = m_model->unwrittenRow();
    if (!m_model->writeRow()) {
        if (row >= 0 && row < m_model->rowCount())
            m_grid->setCurrentIndex(m_model->index(row, 0));
        return; // the typed row stays for correction
    }
    QDialog::done(result);
}

void GridDialog::leaveRow(int row)
{
    if (m_model->writeRow())
        return;
    // Back to the refused row once the view has finished moving away.
    QTimer::singleShot(0, this, [this, row] {
        if (m_model->unwrittenRow() == row)
            m_grid->setCurrentIndex(m_model->index(row, 0));
    });
}

bool GridDialog::editorOpen() const
{
    // An open cell editor is a child of the grid and holds the focus.
    const QWidget* focus = QApplication::focusWidget();
    return focus && focus != m_grid && m_grid->isAncestorOf(focus);
}

void GridDialog::deleteSelectedRows()
{
    if (!m_model->allowDelete())
        return;
    // Only rows selected whole (by their headers) are deleted.
    QList<int> rows;
    for (const QModelIndex& index : m_grid->selectionModel()->selectedRows())
        if (index.row() < m_model->recordCount())
            rows << index.row();
    if (rows.isEmpty())
        return;
    if (!Prompt::askOkCancel(QStringLiteral("确实要删除选定的%1行记录吗?").arg(rows.size())))
        return;
    m_model->deleteRecords(rows);
}

bool GridDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool editing = editorOpen();
        if (!editing && key == Qt::Key_Delete) {
            deleteSelectedRows();
            return true;
        }
        if (!editing && key == Qt::Key_Escape && m_model->unwrittenRow() >= 0) {
            m_model->abandonRow();
            return true;
        }
        const bool arrow =
            key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
        if (!editing && arrow && !m_model->allowArrows())
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace qalor
