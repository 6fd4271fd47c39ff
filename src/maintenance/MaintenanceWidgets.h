#pragma once

// Pieces the maintenance dialogs share.

#include "maintenance/CallTableCommands.h"

#include <QString>

class QDateEdit;
class QWidget;

namespace qalor {

// A date picker set to today.
QDateEdit* todayPicker(const QString& accessibleName, QWidget* parent);
// Wait cursor while a statement runs, a beep after it.
CallTableCommands::Feedback waitCursorFeedback();

} // namespace qalor
