#include "receiving/UnframedKeeper.h"

#include "intake/DataFolder.h"
#include "prompt/DeferredPrompt.h"
#include "prompt/Prompt.h"
#include "receiving/UnframedJoin.h"

#include <QDateTime>

namespace qalor {

namespace {
bool startsWithDigit(const QString& text)
{
    return !text.isEmpty() && text.at(0) >= QLatin1Char('0') && text.at(0) <= QLatin1Char('9');
}

QString recutFailureText(const QString& reason)
{
    return QStringLiteral(
               "重新切分未成行的CDR数据未能完成:\n%1\n"
               "已切分的记录和其余数据均已保留,磁盘有空间后再次\"重新切分未成行的CDR数据\"即可继续.")
        .arg(reason);
}
} // namespace

UnframedKeeper::UnframedKeeper(ReportLines& report, DeferredPrompt& notices)
    : m_journal(journalPath()), m_recut(m_journal, report), m_notices(notices)
{
    QString failure;
    if (!m_recut.finish(failure))
        m_notices.inform(recutFailureText(failure));
}

QString UnframedKeeper::journalPath()
{
    return dataFolder() + QStringLiteral("/unframed-cdr.journal");
}

bool UnframedKeeper::keep(const QString& text, qint64 end, QString& failure)
{
    try {
        m_journal.append(text, end, QDateTime::currentMSecsSinceEpoch());
    } catch (const std::exception& error) {
        failure = QString::fromLocal8Bit(error.what());
        return false;
    }
    if (startsWithDigit(text))
        m_new = true;
    return true;
}

void UnframedKeeper::tell()
{
    // Told once: after the layout changed every line comes here, and one
    // message says so; the count is that of the pieces kept so far.
    if (!m_new || m_told)
        return;
    m_new = false;
    m_told = true;
    const int kept = int(m_journal.entries().size());
    m_notices.inform(
        QStringLiteral("有%1段收到的CDR数据不符合当前的CDR字段定义,无法计费,已另行保存.\n"
                       "改正CDR字段定义后,可用\"REPORT处理\"菜单中的\"重新切分未成行的CDR数据\"计算.")
            .arg(kept));
}

int UnframedKeeper::recut(int lineLength, int& remaining)
{
    const UnframedRecut::Result result = m_recut.run(lineLength);
    if (!result.failure.isEmpty())
        Prompt::inform(recutFailureText(result.failure));
    m_told = false;
    remaining = result.remaining;
    return result.lines;
}

QString UnframedKeeper::joinableLine(qint64 head, int lineLength,
                                     const std::function<bool(const QString&)>& parses) const
{
    const QList<LineJournal::Entry> pieces = m_journal.entries();
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
        if (pieces.at(i).number != head)
            continue;
        const QString line = UnframedJoin::line(pieces.at(i), pieces.at(i + 1), lineLength);
        return !line.isEmpty() && parses(line) ? line : QString();
    }
    return QString();
}

bool UnframedKeeper::join(qint64 head, const QString& line)
{
    // The other pieces stay, in their order.
    const QList<LineJournal::Entry> pieces = m_journal.entries();
    QStringList rest;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (pieces.at(i).number == head)
            ++i;
        else
            rest << pieces.at(i).text;
    }
    QString failure;
    if (!m_recut.move({line}, rest, pieces.last().number, failure)) {
        Prompt::inform(recutFailureText(failure));
        return false;
    }
    return true;
}

int UnframedKeeper::discard()
{
    const int pieces = int(m_journal.entries().size());
    // The stream position they came from stays noted, so that a restart
    // does not take them in again.
    m_journal.clear();
    m_told = false;
    m_new = false;
    return pieces;
}

} // namespace qalor
