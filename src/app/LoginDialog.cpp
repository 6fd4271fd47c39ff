#include "app/LoginDialog.h"

#include "app/FormDialogLayout.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qalor {

LoginDialog::LoginDialog(QWidget* parent)
    : QDialog(parent), m_name(new QLineEdit(this)), m_password(new QLineEdit(this))
{
    setWindowTitle(QStringLiteral("管理员登录"));
    setObjectName(QStringLiteral("LoginDialog"));

    m_name->setObjectName(QStringLiteral("name"));
    m_name->setAccessibleName(QStringLiteral("管理员名:"));
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setAccessibleName(QStringLiteral("口        令:"));
    m_password->setEchoMode(QLineEdit::Password);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("管理员名:"), m_name);
    form->addRow(QStringLiteral("口        令:"), m_password);

    layOutFormDialog(this, form, QStringLiteral("确认"), QStringLiteral("放弃"));
    m_name->setFocus();
}

QString LoginDialog::name() const
{
    return m_name->text();
}

QString LoginDialog::password() const
{
    return m_password->text();
}

} // namespace qalor
