#include "maintenance/RemoveDuplicatesDialog.h"

#include "maintenance/MaintenanceWidgets.h"

#include <QApplication>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

namespace qalor {

RemoveDuplicatesDialog::RemoveDuplicatesDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("清除话费表中重复记录"));
    setModal(true);

    auto* group = new QGroupBox(QStringLiteral("要清除重复记录的范围"), this);
    m_start = todayPicker(QStringLiteral("起始日期"), group);
    m_end = todayPicker(QStringLiteral("截止日期"), group);
    auto* startLabel = new QLabel(QStringLiteral("起始日期"), group);
    startLabel->setBuddy(m_start);
    auto* endLabel = new QLabel(QStringLiteral("截止日期"), group);
    endLabel->setBuddy(m_end);
    auto* fields = new QGridLayout(group);
    fields->addWidget(startLabel, 0, 0);
    fields->addWidget(m_start, 0, 1);
    fields->addWidget(endLabel, 1, 0);
    fields->addWidget(m_end, 1, 1);

    auto* remove = new QPushButton(QStringLiteral("清除重复记录"), this);
    remove->setAutoDefault(false);
    connect(remove, &QPushButton::clicked, this, &RemoveDuplicatesDialog::removeDuplicates);
    auto* back = new QPushButton(QStringLiteral("返回"), this);
    back->setAutoDefault(false);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(remove);
    buttons->addWidget(back);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);

    m_commands.setFeedback(waitCursorFeedback());
    m_commands.open();
}

QDate RemoveDuplicatesDialog::startDate() const
{
    return m_start->date();
}

QDate RemoveDuplicatesDialog::endDate() const
{
    return m_end->date();
}

void RemoveDuplicatesDialog::removeDuplicates()
{
    // The steps are long over a big range: show how far the work has come.
    QProgressDialog progress(QStringLiteral("正在清除重复记录..."), QString(), 0,
                             CallTableMaintenance::DuplicateRemovalSteps, this);
    progress.setWindowTitle(windowTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoClose(true);
    m_commands.removeDuplicates(startDate(), endDate(), [&progress](int done, int total) {
        progress.setMaximum(total);
        progress.setValue(done);
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    progress.reset();
}

} // namespace qalor
