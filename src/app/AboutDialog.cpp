#include "app/AboutDialog.h"

#include "app/MessageBoxPrompt.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace qalor {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("关于 %1").arg(MessageBoxPrompt::title()));
    setObjectName(QStringLiteral("AboutDialog"));

    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    icon->setAccessibleName(QStringLiteral("图标"));

    auto* name = new QLabel(MessageBoxPrompt::title(), this);
    const QString number = QCoreApplication::applicationVersion();
    auto* version =
        new QLabel(QStringLiteral("版本 %1").arg(number.isEmpty() ? QStringLiteral("1.0") : number), this);

    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(version);

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(texts);
    top->addWidget(ok, 0, Qt::AlignTop);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
}

} // namespace qalor
