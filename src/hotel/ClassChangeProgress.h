#pragma once

#include <QProgressDialog>

namespace qalor {

class ClassChangeSender;

// Shows which extension a running class change is sending while the rest of
// the program goes on; it comes and goes with the changes.
class ClassChangeProgress : public QProgressDialog
{
    Q_OBJECT
public:
    ClassChangeProgress(ClassChangeSender& sender, QWidget* parent = nullptr);
};

} // namespace qalor
