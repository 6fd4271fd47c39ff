#include "app/PasswordDialog.h"

#include "access/PasswordHash.h"
#include "app/LoginRecordDialog.h"
#include "gui/DialogRunner.h"

namespace qalor {

PasswordDialog::PasswordDialog(QWidget* parent)
    : GridDialog(QStringLiteral("更改管理员口令表"), QStringLiteral("SELECT * FROM 管理员口令表"), parent)
{
    setObjectName(QStringLiteral("PasswordDialog"));
    model().setAllowUpdate(true);
    model().setAllowAddNew(true);
    model().setAllowDelete(true);
    // The table holds hashes, which are no passwords: the column shows none,
    // and a password typed into it is stored hashed.
    model().setSealedColumn(QStringLiteral("口令"), &PasswordHash::hash);
    addButton(QStringLiteral("查看登录记录"), [this] {
        LoginRecordDialog records(this);
        DialogRunner::run(records);
    });
    addCloseButton(QStringLiteral("返回"), QDialog::Rejected);
}

} // namespace qalor
