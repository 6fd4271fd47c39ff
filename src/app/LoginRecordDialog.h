#pragma once

#include "gui/GridDialog.h"

namespace qalor {

// Dialog 180 "登录信息": the audit log, oldest row first. The log is only
// ever added to, so the grid does not edit it.
class LoginRecordDialog : public GridDialog
{
    Q_OBJECT
public:
    explicit LoginRecordDialog(QWidget* parent = nullptr);
};

} // namespace qalor
