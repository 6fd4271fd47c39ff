#include "reports/CCountPreviewDlg.h"

#include "gui/GridModel.h"
#include "prompt/Prompt.h"
#include "reports/CountResults.h"
#include "reports/DailyCallsChart.h"
#include "reports/DepartmentChart.h"
#include "reports/StatisticsWidgets.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace qalor {

QString CCountPreviewDlg::extensionsSource()
{
    return QStringLiteral("SELECT * FROM  TJ ORDER BY 部门编号,电话号码");
}

QString CCountPreviewDlg::departmentsSource()
{
    return QStringLiteral("SELECT * FROM  BMTJ ORDER BY 部门编号");
}

QString CCountPreviewDlg::unregisteredSource()
{
    return QStringLiteral(
        "SELECT * FROM 临时统计表 WHERE 费用>0 AND 主叫号 NOT IN (SELECT 电话号码 FROM TJ) ORDER BY 主叫号");
}

CCountPreviewDlg::CCountPreviewDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("统计结果预览"));
    setModal(true);
    resize(900, 560);

    m_model = new GridModel(this);
    m_grid = new QTableView(this);
    m_grid->setAccessibleName(QStringLiteral("统计结果"));
    m_grid->setModel(m_model);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_chart = new DepartmentChart(this);
    m_pages = new QTabWidget(this);
    m_pages->setAccessibleName(QStringLiteral("统计结果预览"));
    m_pages->addTab(m_grid, QStringLiteral("统计结果"));
    m_pages->addTab(m_chart, QStringLiteral("图表"));
    m_daily = new DailyCallsChart(this);
    m_pages->addTab(m_daily, QStringLiteral("每日通话"));

    const auto sourceButton = [this](const QString& caption, const QString& source) {
        auto* button = plainButton(caption, this);
        connect(button, &QPushButton::clicked, this, [this, source] { showSource(source); });
        return button;
    };
    auto* unregistered = sourceButton(QStringLiteral("显示未登记分机"), unregisteredSource());
    auto* extensions = sourceButton(QStringLiteral("分机统计结果"), extensionsSource());
    auto* departments = sourceButton(QStringLiteral("部门统计结果"), departmentsSource());
    auto* remove = plainButton(QStringLiteral("删除无费用户"), this);
    connect(remove, &QPushButton::clicked, this, &CCountPreviewDlg::deleteUsersWithoutCharges);
    auto* back = plainButton(QStringLiteral("返    回"), this);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {unregistered, extensions, departments, remove, back})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addLayout(buttons);

    m_model->setRecordSource(QStringLiteral("SELECT *  FROM TJ  ORDER BY  部门编号,电话号码"));
    m_model->refresh();
    runGuarded(QStringLiteral("未知错误,在月统计中."), [this] {
        CountResults results(CDatabase::shared());
        // The charts say which period the statistics cover.
        const std::optional<CountRun> run = results.lastRun();
        QString period;
        QDate from;
        QDate to;
        if (run) {
            from = run->start();
            to = run->end();
            period = QStringLiteral("%1 至 %2")
                         .arg(from.toString(QStringLiteral("yyyy-MM-dd")),
                              to.toString(QStringLiteral("yyyy-MM-dd")));
        }
        m_chart->showDepartments(results.departments(), period);
        m_daily->showDays(DailyCalls::read(CDatabase::shared(), from, to), period);
    });
}

void CCountPreviewDlg::showSource(const QString& recordSource)
{
    WaitCursor wait;
    m_model->setRecordSource(recordSource);
    m_model->refresh();
    m_pages->setCurrentWidget(m_grid);
}

void CCountPreviewDlg::deleteUsersWithoutCharges()
{
    WaitCursor wait;
    runGuarded(QStringLiteral("未知错误,在月统计中."),
               [] { CountResults(CDatabase::shared()).deleteUsersWithoutCharges(); });
    m_model->refresh();
}

} // namespace qalor
