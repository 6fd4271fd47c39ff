#include "maintenance/CdrSaveDialog.h"

#include "maintenance/CdrSaveOption.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace qalor {

CdrSaveDialog::CdrSaveDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("保存CDR记录"));
    setModal(true);

    m_save = new QCheckBox(QStringLiteral("保存CDR记录"), this);
    m_save->setChecked(CdrSaveOption::load());

    auto* confirm = new QPushButton(QStringLiteral("确     认"), this);
    connect(confirm, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton(QStringLiteral("放     弃"), this);
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(confirm);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_save);
    layout->addLayout(buttons);
}

bool CdrSaveDialog::saveCdr() const
{
    return m_save->isChecked();
}

void CdrSaveDialog::done(int result)
{
    // Either button keeps what the box shows.
    CdrSaveOption::store(saveCdr());
    QDialog::done(result);
}

bool CdrSaveDialog::run(QWidget* parent)
{
    CdrSaveDialog dialog(parent);
    dialog.exec();
    return dialog.saveCdr();
}

} // namespace qalor
