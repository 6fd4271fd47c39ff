#include "maintenance/BackupDeleteDialog.h"

#include "maintenance/MaintenanceWidgets.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qalor {

BackupDeleteDialog::BackupDeleteDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("话费表备份与删除"));
    setModal(true);

    m_start = todayPicker(QStringLiteral("起始日期"), this);
    m_end = todayPicker(QStringLiteral("结束日期"), this);
    m_limitCaller = new QCheckBox(QStringLiteral("限定主叫号:"), this);
    m_caller = new QLineEdit(this);
    m_caller->setMaxLength(4);
    m_caller->setEnabled(false);
    m_caller->setAccessibleName(QStringLiteral("主叫号"));
    connect(m_limitCaller, &QCheckBox::toggled, m_caller, &QLineEdit::setEnabled);

    auto* startLabel = new QLabel(QStringLiteral("起始日期"), this);
    startLabel->setBuddy(m_start);
    auto* endLabel = new QLabel(QStringLiteral("结束日期"), this);
    endLabel->setBuddy(m_end);

    auto* fields = new QGridLayout;
    fields->addWidget(startLabel, 0, 0);
    fields->addWidget(m_start, 0, 1);
    fields->addWidget(endLabel, 1, 0);
    fields->addWidget(m_end, 1, 1);
    fields->addWidget(m_limitCaller, 2, 0);
    fields->addWidget(m_caller, 2, 1);

    auto* buttons = new QHBoxLayout;
    auto addButton = [&](const QString& caption, auto handler) {
        auto* button = new QPushButton(caption, this);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, handler);
        buttons->addWidget(button);
    };
    addButton(QStringLiteral("备份"), [this] { m_commands.backup(range()); });
    addButton(QStringLiteral("删除"), [this] { m_commands.remove(range()); });
    addButton(QStringLiteral("还原"), [this] { m_commands.restore(range()); });
    addButton(QStringLiteral("返回"), [this] { reject(); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    m_commands.setFeedback(waitCursorFeedback());
    m_commands.open();
}

CallRange BackupDeleteDialog::range() const
{
    CallRange range{m_start->date(), m_end->date(), std::nullopt};
    if (m_limitCaller->isChecked())
        range.caller = m_caller->text();
    return range;
}

} // namespace qalor
