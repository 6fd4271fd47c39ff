#include "reports/CPayNoticeDlg.h"

#include "maintenance/MaintenanceWidgets.h"
#include "prompt/Prompt.h"
#include "reports/DepartmentRangeBox.h"
#include "reports/StatisticsWidgets.h"

#include <QCheckBox>
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

QLineEdit* extensionEdit(const QString& caption, const QString& text, QWidget* parent)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setAccessibleName(caption);
    edit->setMaxLength(4);
    return edit;
}

} // namespace

CPayNoticeDlg::CPayNoticeDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("出缴费通知"));
    setModal(true);

    m_departmentKind = new QRadioButton(QStringLiteral("出各部门缴费通知"), this);
    m_extensionKind = new QRadioButton(QStringLiteral("出各分机用户缴费通知"), this);
    m_departmentKind->setChecked(true);
    m_departments = new DepartmentRangeBox(QStringLiteral("起始部门编号"), QStringLiteral("截止部门编号"), this);
    m_limit = new QCheckBox(QStringLiteral("限定部门范围"), this);

    m_firstExtension = extensionEdit(QStringLiteral("起始分机号"), QStringLiteral("0000"), this);
    m_lastExtension = extensionEdit(QStringLiteral("截止分机号"), QStringLiteral("9999"), this);
    auto* firstLabel = new QLabel(QStringLiteral("起始分机号"), this);
    firstLabel->setBuddy(m_firstExtension);
    auto* lastLabel = new QLabel(QStringLiteral("截止分机号"), this);
    lastLabel->setBuddy(m_lastExtension);
    auto* extensions = new QGridLayout;
    extensions->addWidget(firstLabel, 0, 0);
    extensions->addWidget(m_firstExtension, 0, 1);
    extensions->addWidget(lastLabel, 0, 2);
    extensions->addWidget(m_lastExtension, 0, 3);

    auto* period = new QGroupBox(QStringLiteral("费用发生日期"), this);
    m_start = todayPicker(QStringLiteral("起始日期"), period);
    m_end = todayPicker(QStringLiteral("截止日期"), period);
    auto* startLabel = new QLabel(QStringLiteral("起始日期"), period);
    startLabel->setBuddy(m_start);
    auto* endLabel = new QLabel(QStringLiteral("截止日期"), period);
    endLabel->setBuddy(m_end);
    auto* periodGrid = new QGridLayout(period);
    periodGrid->addWidget(startLabel, 0, 0);
    periodGrid->addWidget(m_start, 0, 1);
    periodGrid->addWidget(endLabel, 0, 2);
    periodGrid->addWidget(m_end, 0, 3);

    auto* lastRunLabel = new QLabel(QStringLiteral("统计操作时间:"), this);
    m_lastRun = new QLabel(this);
    // Read by a screen reader as its text (the time of the last run).
    m_lastRun->setAccessibleDescription(QStringLiteral("统计操作时间:"));
    auto* lastRunRow = new QHBoxLayout;
    lastRunRow->addWidget(lastRunLabel);
    lastRunRow->addWidget(m_lastRun, 1);

    auto* printButton = plainButton(QStringLiteral("打    印"), this);
    auto* previewButton = plainButton(QStringLiteral("打印预览"), this);
    auto* exportButton = plainButton(QStringLiteral("导出PDF"), this);
    auto* back = plainButton(QStringLiteral("返    回"), this);
    connect(printButton, &QPushButton::clicked, this, &CPayNoticeDlg::print);
    connect(previewButton, &QPushButton::clicked, this, &CPayNoticeDlg::preview);
    connect(exportButton, &QPushButton::clicked, this, &CPayNoticeDlg::exportPdf);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);

    connect(m_departmentKind, &QRadioButton::toggled, this, &CPayNoticeDlg::applyKind);
    connect(m_limit, &QCheckBox::toggled, this, [this](bool on) { m_departments->setListsEnabled(on); });

    auto* fields = new QVBoxLayout;
    fields->addWidget(m_departmentKind);
    fields->addWidget(m_extensionKind);
    fields->addWidget(m_departments);
    fields->addWidget(m_limit);
    fields->addLayout(extensions);
    fields->addWidget(period);
    fields->addLayout(lastRunRow);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {printButton, previewButton, exportButton, back})
        buttons->addWidget(button);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    applyKind();
    runGuarded(QStringLiteral("Unkown Error!"), [this] { load(); });
}

void CPayNoticeDlg::load()
{
    m_departments->setDepartments(DepartmentList::load());
    std::optional<CountRun> last;
    try {
        last = CountResults(CDatabase::shared()).lastRun();
    } catch (const DbError&) {
        // Without the history nothing is shown and the dates stay at today.
        return;
    }
    if (!last) {
        m_lastRun->setText(QStringLiteral("未统计"));
        return;
    }
    m_start->setDate(historyDate(last->startDate));
    m_end->setDate(historyDate(last->endDate));
    m_lastRun->setText(last->runTime);
}

void CPayNoticeDlg::applyKind()
{
    const bool departments = m_departmentKind->isChecked();
    m_firstExtension->setReadOnly(departments);
    m_lastExtension->setReadOnly(departments);
    m_limit->setEnabled(!departments);
    m_departments->setListsEnabled(departments || m_limit->isChecked());
}

QString CPayNoticeDlg::lastRunText() const
{
    return m_lastRun->text();
}

PayNotice::Options CPayNoticeDlg::noticeOptions() const
{
    PayNotice::Options options;
    options.kind = m_departmentKind->isChecked() ? PayNotice::Departments : PayNotice::Extensions;
    options.start = m_start->date();
    options.end = m_end->date();
    options.departments = m_departments->range();
    options.extensions = {m_firstExtension->text(), m_lastExtension->text()};
    options.limitDepartments = m_limit->isChecked();
    return options;
}

void CPayNoticeDlg::print()
{
    if (!Prompt::askOkCancel(QStringLiteral("确认你已经进行过统计操作,请选'确定';\n否则请选'取消',并先进行统计操作.")))
        return;
    const PayNotice notices(CDatabase::shared(), noticeOptions());
    printReport(this, [&](const PageGeometry& page) { return notices.build(page); },
                notices.unknownErrorText());
}

void CPayNoticeDlg::preview()
{
    const PayNotice notices(CDatabase::shared(), noticeOptions());
    previewReport(this, [&](const PageGeometry& page) { return notices.build(page); });
}

void CPayNoticeDlg::exportPdf()
{
    const PayNotice notices(CDatabase::shared(), noticeOptions());
    exportReport(this, [&](const PageGeometry& page) { return notices.build(page); },
                 notices.unknownErrorText(),
                 QStringLiteral("电话费缴费通知单.pdf"));
}

} // namespace qalor
