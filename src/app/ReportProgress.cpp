#include "app/ReportProgress.h"

#include <QCoreApplication>

namespace qalor {

ReportProgress::ReportProgress(int total, QWidget* parent)
{
    if (total <= 0)
        return;
    m_dialog = std::make_unique<QProgressDialog>(QStringLiteral("正在计算REPORT数据..."),
                                                 QStringLiteral("取消"), 0, total, parent);
    m_dialog->setWindowTitle(QStringLiteral("计算REPORT数据"));
    m_dialog->setWindowModality(Qt::WindowModal);
    m_dialog->setMinimumDuration(300);
}

ReportProgress::~ReportProgress()
{
    if (m_dialog)
        m_dialog->reset();
}

bool ReportProgress::step(int done)
{
    if (!m_dialog)
        return true;
    m_dialog->setValue(done);
    QCoreApplication::processEvents();
    return !m_dialog->wasCanceled();
}

} // namespace qalor
