#pragma once

#include "gui/GridDialog.h"

namespace qalor {

// Dialog 132 "更改管理员口令表": the Headkeeper adds, changes and deletes
// administrators and their passwords, and can look at the login log. A
// password is typed hidden and stored hashed; the column shows only that
// there is one.
class PasswordDialog : public GridDialog
{
    Q_OBJECT
public:
    explicit PasswordDialog(QWidget* parent = nullptr);
};

} // namespace qalor
