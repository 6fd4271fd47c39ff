#include "reports/CMonthCountDlg.h"

#include "gui/DialogRunner.h"
#include "maintenance/MaintenanceWidgets.h"
#include "prompt/Prompt.h"
#include "reports/CCountPreviewDlg.h"
#include "reports/DepartmentRangeBox.h"
#include "reports/StatisticsRun.h"
#include "reports/StatisticsWidgets.h"

#include <QApplication>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qalor {

namespace {

const QString UnknownError = QStringLiteral("未知错误,在月统计中.");

QLineEdit* readOnlyEdit(int characters, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setMaxLength(characters);
    return edit;
}

QLabel* labelFor(const QString& caption, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

CMonthCountDlg::CMonthCountDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("月统计"));
    setModal(true);

    auto* last = new QGroupBox(QStringLiteral("前次统计情况"), this);
    m_lastRunTime = readOnlyEdit(24, last);
    m_lastStart = readOnlyEdit(10, last);
    m_lastEnd = readOnlyEdit(10, last);
    m_lastRunTime->setAccessibleName(QStringLiteral("统计进行日期:"));
    m_lastStart->setAccessibleName(QStringLiteral("统计费用时段:"));
    m_lastEnd->setAccessibleName(QStringLiteral("至"));
    auto* lastGrid = new QGridLayout(last);
    lastGrid->addWidget(labelFor(QStringLiteral("统计进行日期:"), m_lastRunTime, last), 0, 0);
    lastGrid->addWidget(m_lastRunTime, 0, 1, 1, 3);
    lastGrid->addWidget(labelFor(QStringLiteral("统计费用时段:"), m_lastStart, last), 1, 0);
    lastGrid->addWidget(m_lastStart, 1, 1);
    lastGrid->addWidget(labelFor(QStringLiteral("至"), m_lastEnd, last), 1, 2);
    lastGrid->addWidget(m_lastEnd, 1, 3);

    auto* period = new QGroupBox(QStringLiteral("统计范围"), this);
    m_start = todayPicker(QStringLiteral("统计起始日期:"), period);
    m_end = todayPicker(QStringLiteral("统计结束日期:"), period);
    auto* periodGrid = new QGridLayout(period);
    periodGrid->addWidget(labelFor(QStringLiteral("统计起始日期:"), m_start, period), 0, 0);
    periodGrid->addWidget(m_start, 0, 1);
    periodGrid->addWidget(labelFor(QStringLiteral("统计结束日期:"), m_end, period), 1, 0);
    periodGrid->addWidget(m_end, 1, 1);

    m_departments = new DepartmentRangeBox(QStringLiteral("起始部门编号:"), QStringLiteral("终止部门编号:"), this);
    m_byExtension = new QRadioButton(QStringLiteral("按部门、分机连续打印报表"), this);
    m_byDepartment = new QRadioButton(QStringLiteral("仅打印部门小计(连续)报表"), this);
    m_byExtension->setChecked(true);

    auto* run = plainButton(QStringLiteral("统计"), this);
    auto* printButton = plainButton(QStringLiteral("打印"), this);
    auto* previewButton = plainButton(QStringLiteral("打印预览"), this);
    auto* exportButton = plainButton(QStringLiteral("导出PDF"), this);
    auto* results = plainButton(QStringLiteral("预览结果"), this);
    auto* back = plainButton(QStringLiteral("返回"), this);
    connect(run, &QPushButton::clicked, this, &CMonthCountDlg::runStatistics);
    connect(printButton, &QPushButton::clicked, this, &CMonthCountDlg::print);
    connect(previewButton, &QPushButton::clicked, this, &CMonthCountDlg::preview);
    connect(exportButton, &QPushButton::clicked, this, &CMonthCountDlg::exportPdf);
    connect(results, &QPushButton::clicked, this, &CMonthCountDlg::showResults);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {run, printButton, previewButton, exportButton, results, back})
        buttons->addWidget(button);
    buttons->addStretch();
    auto* fields = new QVBoxLayout;
    fields->addWidget(last);
    fields->addWidget(period);
    fields->addWidget(m_departments);
    fields->addWidget(m_byExtension);
    fields->addWidget(m_byDepartment);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    runGuarded(UnknownError, [this] { m_departments->setDepartments(DepartmentList::load()); });
    showLastRun();
}

void CMonthCountDlg::showLastRun()
{
    std::optional<CountRun> last;
    try {
        last = CountResults(CDatabase::shared()).lastRun();
    } catch (const DbError&) {
        // Without the history the dialog still works; it shows "无".
    }
    if (!last) {
        for (QLineEdit* edit : {m_lastRunTime, m_lastStart, m_lastEnd})
            edit->setText(QStringLiteral("无"));
        return;
    }
    m_lastRunTime->setText(last->runTime);
    m_lastStart->setText(last->startDate);
    m_lastEnd->setText(last->endDate);
    m_start->setDate(historyDate(last->startDate));
    m_end->setDate(historyDate(last->endDate));
}

MonthlyReport::Options CMonthCountDlg::reportOptions() const
{
    return {m_start->date(), m_end->date(), m_departments->range(),
            m_byDepartment->isChecked() ? MonthlyReport::ByDepartment : MonthlyReport::ByExtension};
}

void CMonthCountDlg::runStatistics()
{
    bool completed = false;
    {
        WaitCursor wait;
        completed = StatisticsRun(CDatabase::shared()).run(m_start->date(), m_end->date());
    }
    if (!completed)
        return;
    // The run just made is now the previous one.
    showLastRun();
    QApplication::beep();
}

void CMonthCountDlg::print()
{
    const MonthlyReport report(CDatabase::shared(), reportOptions());
    printReport(this, [&](const PageGeometry& page) { return report.build(page); },
                QStringLiteral("Unknow Error Occured in Printing-job!"));
}

void CMonthCountDlg::preview()
{
    const MonthlyReport report(CDatabase::shared(), reportOptions());
    previewReport(this, [&](const PageGeometry& page) { return report.build(page); });
}

void CMonthCountDlg::exportPdf()
{
    const MonthlyReport report(CDatabase::shared(), reportOptions());
    exportReport(this, [&](const PageGeometry& page) { return report.build(page); },
                 QStringLiteral("Unknow Error Occured in Printing-job!"), QStringLiteral("电话费月报表.pdf"));
}

void CMonthCountDlg::showResults()
{
    CCountPreviewDlg dialog(this);
    DialogRunner::run(dialog);
}

} // namespace qalor
