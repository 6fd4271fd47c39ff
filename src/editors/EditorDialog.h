#pragma once

#include "editors/EditorTable.h"
#include "editors/ExtensionSource.h"
#include "gui/GridDialog.h"

#include <functional>

class QLabel;

namespace qalor {

// A parameter-table editor built from its definition: the grid over the
// record source, "修改" with the editor's mode, "导入…"/"导出…"/"导出Excel…" where rows can
// be added, "确认" (closes with OK) and "返回" (closes with Cancel), and the
// extras of some editors (the extension editor's department list and sort
// buttons, the statistics-type warning, the rate-table check).
class EditorDialog : public GridDialog
{
    Q_OBJECT
public:
    struct Hooks
    {
        std::function<bool()> loggedIn;          // read each time "修改" or "导入…" is pressed
        std::function<int(QDialog&)> runDialog;  // runs the dialogs this one opens
    };
    EditorDialog(const EditorDef& def, Hooks hooks, QWidget* parent = nullptr);

    const EditorDef& definition() const { return m_def; }

    // Where "导入…" reads and "导出…" writes; tests install fixed names.
    // save: a file to write; otherwise one to read. Empty: cancelled.
    using FileChooser = std::function<QString(QWidget* parent, bool save, const QString& suggestedName)>;
    static void installFileChooser(FileChooser chooser); // empty restores the file dialogs

    void importCsv();
    void exportCsv();
    void exportXlsx();
    // Names the keys that several rows of the table share (hidden when none).
    void showDuplicates();

private:
    // Asks for a file named after the table and writes the grid's rows there.
    void exportTo(const QString& suffix, QString (*write)(const GridModel&, const QString&));
    void addExtensionControls();
    void addAlertRuleControls();
    void showDepartment(int number);
    void sortExtensions(ExtensionSource::Order order);

    const EditorDef& m_def;
    Hooks m_hooks;
    ExtensionSource m_extensions;
    QLabel* m_duplicates = nullptr;
};

} // namespace qalor
