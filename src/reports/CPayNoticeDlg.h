#pragma once

// CPayNoticeDlg "出缴费通知": payment notices of the last statistics run, per
// department or per extension, for a department range and (extensions) a
// text range of extension numbers.
//
//   CPayNoticeDlg dialog(parent);
//   DialogRunner::run(dialog);

#include "reports/PayNotice.h"

#include <QDialog>

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace qalor {

class DepartmentRangeBox;

class CPayNoticeDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CPayNoticeDlg(QWidget* parent = nullptr);

    PayNotice::Options noticeOptions() const;
    QString lastRunText() const;

    void print();     // 打    印
    void preview();   // 打印预览
    void exportPdf(); // 导出PDF

private:
    void load();
    void applyKind();

    QRadioButton* m_departmentKind;
    QRadioButton* m_extensionKind;
    DepartmentRangeBox* m_departments;
    QCheckBox* m_limit;
    QLineEdit* m_firstExtension;
    QLineEdit* m_lastExtension;
    QDateEdit* m_start;
    QDateEdit* m_end;
    QLabel* m_lastRun;
};

} // namespace qalor
