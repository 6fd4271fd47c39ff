#pragma once

#include <QDialog>

namespace qalor {

// The about box of the 帮助 entry.
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

} // namespace qalor
