#pragma once

// RemoveDuplicatesDialog: leaves one row of each set of identical rows of
// 话费表 in a date range, showing the steps as it goes.
//
//   RemoveDuplicatesDialog dialog(parent);
//   dialog.exec();

#include "maintenance/CallTableCommands.h"

#include <QDialog>

class QDateEdit;

namespace qalor {

class RemoveDuplicatesDialog : public QDialog
{
    Q_OBJECT

public:
    explicit RemoveDuplicatesDialog(QWidget* parent = nullptr);

    QDate startDate() const;
    QDate endDate() const;

private:
    void removeDuplicates();

    CallTableCommands m_commands;
    QDateEdit* m_start;
    QDateEdit* m_end;
};

} // namespace qalor
