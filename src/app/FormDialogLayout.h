#pragma once

#include <QString>

class QDialog;
class QFormLayout;

namespace qalor {

// Lays out a small form dialog: the form rows on top, then on the right a
// default button that accepts the dialog (through its own accept(), so a
// dialog that checks its input keeps doing so) and one that rejects it.
void layOutFormDialog(QDialog* dialog, QFormLayout* form, const QString& acceptText,
                      const QString& rejectText);

} // namespace qalor
