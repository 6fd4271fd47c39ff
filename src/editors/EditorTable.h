#pragma once

#include <QList>
#include <QString>

namespace qalor {

class GridModel;

// What "修改" unlocks, read against the administrator flag at the moment
// the button is pressed (a login may lapse while the dialog is open).
enum class ModifyMode {
    Full,    // adding, deleting, changing, arrow keys; refused with a message when logged out
    Update,  // changing existing rows only; nothing happens when logged out
    Weekday, // the three switches follow the flag, without a message
    None,    // the dialog has no "修改"
};

// What the main view does after an editor closed with "确认".
enum class AfterConfirm {
    Nothing,
    ReloadRates,
    ReloadRate31,
    ClearTimeBandsMark,
    ReloadHolidays,
    ReloadWeekdays,
    ClearCallTypesMark,
    ClearCallerCosMark,
    ClearTrunkGroupsMark,
    ReloadAlertRules,
};

// One parameter-table editor: its command, captions, record source and what
// its buttons do. An empty button caption: the dialog has no such button.
struct EditorDef
{
    enum class Extra { None, ExtensionFilter, CountTypeNote, RateCheck, AlertRules };

    int command = 0;
    QString menuCaption;
    QString dialogCaption;
    QString recordSource;
    ModifyMode mode = ModifyMode::Full;
    QString modifyCaption;
    QString confirmCaption;
    QString backCaption;
    AfterConfirm after = AfterConfirm::Nothing;
    Extra extra = Extra::None;

    // Editors that can change rows offer "导出…"; those that can add rows
    // also "导入…" (an import only ever appends).
    bool offersExport() const { return mode != ModifyMode::None; }
    bool offersImport() const { return mode == ModifyMode::Full || mode == ModifyMode::Weekday; }
};

class EditorTable
{
public:
    static const QList<EditorDef>& all();
    static const EditorDef* find(int command);

    // "修改": switches the grid as the mode says. Returns the refusal to
    // show (empty when none).
    static QString applyModify(ModifyMode mode, GridModel& model, bool loggedIn);
};

} // namespace qalor
