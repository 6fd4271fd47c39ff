#pragma once

// BackupDeleteDialog: backup, delete and restore of a date range of 话费表.
//
//   BackupDeleteDialog dialog(parent);
//   dialog.exec();

#include "maintenance/CallTableCommands.h"

#include <QDialog>

class QCheckBox;
class QDateEdit;
class QLineEdit;

namespace qalor {

class BackupDeleteDialog : public QDialog
{
    Q_OBJECT

public:
    explicit BackupDeleteDialog(QWidget* parent = nullptr);

    // The range the controls describe now.
    CallRange range() const;

private:
    CallTableCommands m_commands;
    QDateEdit* m_start;
    QDateEdit* m_end;
    QCheckBox* m_limitCaller;
    QLineEdit* m_caller;
};

} // namespace qalor
