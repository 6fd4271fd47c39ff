#include "receiving/StallNotices.h"

#include "prompt/DeferredPrompt.h"
#include "receiving/ReceivedBacklog.h"

namespace qalor {

StallNotices::StallNotices(DeferredPrompt& notices) : m_notices(notices) {}

QString StallNotices::journalFailureText(const QString& reason, qint64 waiting)
{
    return QStringLiteral("收到的CDR数据无法写入日志文件:\n%1\n"
                          "已收到未计费的%2个字符等待处理(其中未写入日志的暂存在内存中,最多%3个字符),"
                          "磁盘有空间后自动写入并计费,请勿关闭程序.")
        .arg(reason)
        .arg(waiting)
        .arg(ReceivedBacklog::UnjournalledLimit);
}

void StallNotices::journalRefused(const QString& reason)
{
    // The line waits like one that met an unreachable data source, but what
    // stopped it is the journal.
    m_unreachableText.clear();
    m_refusedReason = reason;
}

void StallNotices::journalFailed(const QString& reason, qint64 waiting)
{
    // Once until a line is handled again, however often it is tried.
    if (m_journalFailureShown)
        return;
    m_journalFailureShown = true;
    m_notices.inform(journalFailureText(reason, waiting));
}

void StallNotices::stalled(qint64 waiting)
{
    if (!m_refusedReason.isEmpty())
        journalFailed(std::exchange(m_refusedReason, QString()), waiting);
    // Told once an outage, however often it is tried again.
    if (m_unreachableText.isEmpty())
        return; // a journal that cannot be written has been reported
    if (!m_unreachableTold)
        m_notices.inform(m_unreachableText);
    m_unreachableTold = true;
}

void StallNotices::handled()
{
    m_unreachableTold = false;
    m_journalFailureShown = false;
}

} // namespace qalor
