#pragma once

// GridDialog: a modal dialog with a caption, a grid over one table and a row
// of buttons. The callers decide what each button does.
//
//   GridDialog dialog(QStringLiteral("更改管理员口令表"), QStringLiteral("SELECT * FROM 管理员口令表"),
//   parent); dialog.addButton(QStringLiteral("修改"), [&] { dialog.model().setAllowUpdate(true); });
//   dialog.addCloseButton(QStringLiteral("确认"), QDialog::Accepted);
//   dialog.addCloseButton(QStringLiteral("返回"), QDialog::Rejected);
//   if (dialog.exec() == QDialog::Accepted) ...
//
// The rows are fetched when the dialog is built (model().refresh() runs the
// record source again). A row typed or changed is written when the person
// leaves it, presses Enter in the last column of the new row, or closes the
// dialog with either button; when the database refuses it, the row stays
// selected for correction and the dialog stays open. Esc cancels the cell
// being edited; a second Esc forgets what was typed into the row. With
// deleting allowed, the Delete key (or the context menu) deletes the rows
// selected whole by their row headers, after a question naming how many; on
// a single cell it does nothing.

#include "gui/GridModel.h"

#include <QDialog>
#include <functional>

class QBoxLayout;
class QHBoxLayout;
class QPushButton;
class QTableView;

namespace qalor {

class GridDialog : public QDialog
{
    Q_OBJECT

public:
    GridDialog(const QString& caption, const QString& recordSource, QWidget* parent = nullptr,
               CDatabase* db = nullptr);

    GridModel& model() { return *m_model; }
    QTableView& grid() { return *m_grid; }

    // A button that runs handler when clicked (the handler may close the dialog).
    QPushButton* addButton(const QString& caption, std::function<void()> handler);
    // A button that closes the dialog with result.
    QPushButton* addCloseButton(const QString& caption, int result);
    // A widget beside the grid (a list, a note); widgets stack top to bottom.
    void addSideWidget(QWidget* widget);
    // A note with an information icon beside the grid.
    void addNote(const QString& text);

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void deleteSelectedRows();
    bool editorOpen() const;
    // Writes the row left behind; when that fails, goes back to it.
    void leaveRow(int row);

    GridModel* m_model;
    QTableView* m_grid;
    QBoxLayout* m_side;
    QHBoxLayout* m_buttons;
};

} // namespace qalor
