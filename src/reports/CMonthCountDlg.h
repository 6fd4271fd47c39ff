#pragma once

// CMonthCountDlg "月统计": the statistics run over a period, the monthly
// report of its result and the way to the result preview.
//
//   CMonthCountDlg dialog(parent);
//   DialogRunner::run(dialog);

#include "reports/MonthlyReport.h"

#include <QDialog>

class QDateEdit;
class QLineEdit;
class QRadioButton;

namespace qalor {

class DepartmentRangeBox;

class CMonthCountDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CMonthCountDlg(QWidget* parent = nullptr);

    QDateEdit* startPicker() const { return m_start; }
    QDateEdit* endPicker() const { return m_end; }
    DepartmentRangeBox* departments() const { return m_departments; }
    MonthlyReport::Options reportOptions() const;

    void runStatistics(); // 统计
    void print();         // 打印
    void preview();       // 打印预览
    void exportPdf();     // 导出PDF
    void showResults();   // 预览结果

private:
    void showLastRun();

    QLineEdit* m_lastRunTime;
    QLineEdit* m_lastStart;
    QLineEdit* m_lastEnd;
    QDateEdit* m_start;
    QDateEdit* m_end;
    DepartmentRangeBox* m_departments;
    QRadioButton* m_byExtension;
    QRadioButton* m_byDepartment;
};

} // namespace qalor
