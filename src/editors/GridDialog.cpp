#include "editors/GridDialog.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace qalor {

GridDialog::GridDialog(const QString& caption, const QString& recordSource, QWidget* parent, CDatabase* db)
    : QDialog(parent), m_model(new GridModel(this, db)), m_grid(new QTableView(this))
{
    setWindowTitle(caption);
    setModal(true);

    m_grid->setModel(m_model);
    m_grid->setAccessibleName(caption.isEmpty() ? QStringLiteral("数据表") : caption);
    m_grid->setAccessibleDescription(recordSource);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->installEventFilter(this);
    m_grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* deleteRows = new QAction(QStringLiteral("删除行"), m_grid);
    connect(deleteRows, &QAction::triggered, this, &GridDialog::deleteSelectedRows);
    m_grid->addAction(deleteRows);

    // A new row is written when the person leaves it, as in a data grid.
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex&, const QModelIndex& previous) {
                if (previous.isValid() && m_model->isNewRow(previous.row()))
                    m_model->submit();
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
    // from it writes it.
    if (editorOpen())
        m_grid->setFocus();
    m_model->submit();
    QDialog::done(result);
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
    QList<int> rows;
    for (const QModelIndex& index : m_grid->selectionModel()->selectedIndexes())
        if (!rows.contains(index.row()))
            rows << index.row();
    if (rows.isEmpty() && m_grid->currentIndex().isValid())
        rows << m_grid->currentIndex().row();
    // From the bottom up, so that earlier deletions do not shift later rows.
    std::sort(rows.begin(), rows.end(), std::greater<>());
    for (int row : rows)
        if (!m_model->removeRow(row))
            break;
}

bool GridDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool editing = editorOpen();
        if (!editing && key == Qt::Key_Delete && m_model->allowDelete()) {
            deleteSelectedRows();
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
