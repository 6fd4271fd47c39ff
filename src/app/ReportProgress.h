#pragma once

#include <QProgressDialog>
#include <memory>

class QWidget;

namespace qalor {

// The progress of 计算REPORT数据 while the window computes a batch itself:
// shown after a moment when there are lines to compute, and the person's
// 取消 stops the batch after the slice being stored.
class ReportProgress
{
public:
    ReportProgress(int total, QWidget* parent);
    ~ReportProgress();

    // Shows how many lines are done; false once the person cancelled.
    bool step(int done);

private:
    std::unique_ptr<QProgressDialog> m_dialog;
};

} // namespace qalor
