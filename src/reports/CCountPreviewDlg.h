#pragma once

// CCountPreviewDlg "统计结果预览": the result tables of the last statistics
// run in a grid, four record sources to switch between, the removal of
// extensions without charges, and a chart of the department totals.
//
//   CCountPreviewDlg dialog(parent);
//   DialogRunner::run(dialog);

#include <QDialog>

class QTabWidget;
class QTableView;

namespace qalor {

class DailyCallsChart;
class DepartmentChart;
class GridModel;

class CCountPreviewDlg : public QDialog
{
    Q_OBJECT

public:
    static QString extensionsSource();   // 分机统计结果
    static QString departmentsSource();  // 部门统计结果
    static QString unregisteredSource(); // 显示未登记分机

    explicit CCountPreviewDlg(QWidget* parent = nullptr);

    GridModel& model() const { return *m_model; }
    DepartmentChart& chart() const { return *m_chart; }
    DailyCallsChart& dailyChart() const { return *m_daily; }
    QTabWidget& pages() const { return *m_pages; }

    void showSource(const QString& recordSource);
    void deleteUsersWithoutCharges(); // 删除无费用户

private:
    GridModel* m_model;
    QTableView* m_grid;
    DepartmentChart* m_chart;
    DailyCallsChart* m_daily;
    QTabWidget* m_pages;
};

} // namespace qalor
