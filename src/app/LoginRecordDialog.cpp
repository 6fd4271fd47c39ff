#include "app/LoginRecordDialog.h"

namespace qalor {

LoginRecordDialog::LoginRecordDialog(QWidget* parent)
    : GridDialog(QStringLiteral("登录信息"), QStringLiteral("SELECT * FROM LOGINFO"), parent)
{
    setObjectName(QStringLiteral("LoginRecordDialog"));
    addCloseButton(QStringLiteral("OK"), QDialog::Accepted);
    addCloseButton(QStringLiteral("Cancel"), QDialog::Rejected);
}

} // namespace qalor
