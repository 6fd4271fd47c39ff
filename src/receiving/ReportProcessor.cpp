#include "receiving/ReportProcessor.h"

#include "db/CDatabase.h"
#include "intake/JournalMark.h"
#include "prompt/Prompt.h"
#include "receiving/CallIntake.h"
#include "receiving/ReportLines.h"

#include <optional>
#include <vector>

namespace qalor {

ReportProcessor::ReportProcessor(CallIntake& intake, CCallRater& engine, ReportLines& lines)
    : m_intake(intake), m_engine(engine), m_lines(lines)
{
}

ReportProcessor::Result ReportProcessor::compute(const Progress& progress)
{
    Result result;
    m_identity.clear(); // the journal's identity, read once a run
    m_engine.storePendingCalls();
    result.total = m_lines.size();
    bool go = !progress || progress(0, result.total);
    while (go && !m_lines.isEmpty()) {
        if (!runBatch(m_batchSize, result)) {
            result.failed = true;
            break;
        }
        go = !progress || progress(result.done, result.total);
    }
    result.cancelled = !go && !m_lines.isEmpty();
    if (m_lines.isEmpty())
        m_intake.setReportMode(false);
    return result;
}

QString ReportProcessor::summaryText(const Result& result)
{
    if (result.total == 0)
        return QStringLiteral("没有待计算的REPORT数据.");
    QString text = QStringLiteral("计算了%1条CDR记录,存入话费表%2条,%3条未存入(不计费或已存过).")
                       .arg(result.done)
                       .arg(result.stored)
                       .arg(result.done - result.stored);
    const int left = result.total - result.done;
    if (left > 0) {
        const QString why = result.failed ? QStringLiteral("存储出错") : QStringLiteral("计算被取消");
        text += QLatin1Char('\n') +
                QStringLiteral("另有%1条因%2未计算,已保留,可再次\"计算REPORT数据\".").arg(left).arg(why);
    }
    return text;
}

bool ReportProcessor::runBatch(int count, Result& result)
{
    // The batch's slice of the collection, read from the journal now.
    const QList<LineJournal::Entry> slice = m_lines.first(count);
    std::vector<PricedCall> priced;
    priced.reserve(size_t(slice.size()));
    bool appendFailed = false;
    const bool ran = runGuarded(QStringLiteral("Unknown Error in REPORT compute."), [&] {
        CTransaction transaction(CDatabase::shared());
        // Lines the data source marked as stored (the program ended between
        // a batch's commit and the journal's mark) are not stored again.
        if (m_identity.isEmpty())
            m_identity = m_lines.journal().identity();
        const qint64 storedThrough = JournalMark::read(m_identity);
        qint64 through = 0;
        m_engine.beginBatch();
        for (const LineJournal::Entry& line : slice) {
            through = qMax(through, line.number);
            if (line.number > 0 && line.number <= storedThrough)
                continue;
            std::optional<PricedCall> call;
            // A field-order error ends only its own line here: the port is
            // closed and the rest of the batch is framed correctly.
            const CallIntake::Outcome outcome = m_intake.storeReportLine(line.text, call);
            if (outcome == CallIntake::Outcome::Stored) {
                priced.push_back(*call);
            } else if (outcome == CallIntake::Outcome::AppendFailed) {
                appendFailed = true; // the engine has shown why; the guard rolls back
                return;
            }
        }
        // The rows still waiting in the writer go in before the mark that
        // says they are stored: each slice commits with its own progress
        // mark, so a kill between slices neither loses nor repeats a line.
        if (!m_engine.finishBatch()) {
            appendFailed = true;
            return;
        }
        if (through > 0)
            JournalMark::write(m_identity, through);
        transaction.commit();
    });
    m_engine.discardBatch();
    if (!ran || appendFailed) {
        m_engine.reopenLostConnection();
        return false;
    }
    m_lines.dropFirst(int(slice.size()));
    result.done += int(slice.size());
    result.stored += int(priced.size());
    for (const PricedCall& call : priced)
        m_intake.publish(call);
    return true;
}

} // namespace qalor
