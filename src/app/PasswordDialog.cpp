#include "app/PasswordDialog.h"

#include "gui/DialogRunner.h"
#include "app/LoginRecordDialog.h"

namespace qalor {

PasswordDialog::PasswordDialog(QWidget* parent)
    : GridDialog(QStringLiteral("更改管理员口令表"), QStringLiteral("SELECT * FROM 管理员口令表"), parent)
{
    setObjectName(QStringLiteral("PasswordDialog"));
    model().setAllowUpdate(true);
    model().setAllowAddNew(true);
    model().setAllowDelete(true);
    addButton(QStringLiteral("查看登录记录"), [this] {
        LoginRecordDialog records(this);
        DialogRunner::run(records);
    });
    addCloseButton(QStringLiteral("返回"), QDialog::Rejected);
}

} // namespace qalor
