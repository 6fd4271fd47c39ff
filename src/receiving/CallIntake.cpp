#include "receiving/CallIntake.h"

#include "db/CDatabase.h"
#include "hotel/AutoClassChange.h"
#include "hotel/HotelSettings.h"
#include "intake/JournalMark.h"
#include "prompt/Prompt.h"
#include "receiving/ReceivedCallsModel.h"
#include "receiving/ReportLines.h"
#include "serial/CommControl.h"

#include <QTimer>

namespace qalor {

namespace {
// The canonical record's start time and trace number.
constexpr int StartTimePos = 26;
constexpr int TracePos = 0;
// How often lines waiting for an unreachable data source are tried again.
constexpr int DataRetryMs = 3000;
} // namespace

CallIntake::CallIntake(CommControl& port, CCallRater& engine, ReceivedCallsModel& calls, ReportLines& report,
                       QObject* parent)
    : QObject(parent), m_port(port), m_engine(engine), m_calls(calls), m_report(report), m_stall(m_notices),
      m_backlog(m_received), m_repeats(m_received), m_unframed(m_report, m_notices)
{
    m_engine.setDepositReached([this](const QString& extension) { depositReached(extension); });
    connect(&m_port, &CommControl::comm, this, &CallIntake::receive);
    connect(&m_port, &CommControl::arrived, this, &CallIntake::takeArrived);
    m_retry.setSingleShot(true);
    m_retry.setInterval(DataRetryMs);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        const bool unjournalled = m_backlog.unjournalled() > 0;
        if (std::exchange(m_waitingForData, false) || unjournalled)
            drain();
        // Not in the middle of a line or a batch: those store the waiting calls themselves.
        if (!m_busy && m_holds == 0 && !m_waitingForData)
            m_engine.retryPendingCalls();
        retrySoon();
    });
    resume();
    retrySoon();
}

CallIntake::~CallIntake()
{
    // The engine may outlive the loop: it must not call back into it.
    m_engine.setDepositReached(nullptr);
}

void CallIntake::resume()
{
    // What the last run read and did not finish: start after the latest
    // point any record says was handled. Lines up to the journal's end are
    // checked against the data source's mark when they are stored.
    qint64 from = m_received.handledThrough();
    from = qMax(from, m_engine.lastPendingSource());
    from = qMax(from, m_report.journal().lastSource());
    from = qMax(from, m_unframed.lastSource());
    try {
        const Prompt::Silence quiet;
        from = qMax(from, JournalMark::read(m_received.identity()));
    } catch (const std::exception&) {
    }
    // The lines last handled, so that a line the device sends again after
    // the restart is known.
    qint64 start = 0;
    const QString journalled = m_received.textFrom(start);
    m_repeats.restore(QStringView(journalled).left(qMax<qint64>(0, from - start)), from);
    // While the program was not running the port was closed and the exchange's
    // characters were lost on the line: what comes next never continues a
    // line the journal ends inside. The break goes into the journal like any
    // other received character.
    if (m_received.end() > 0)
        m_backlog.addBreak();
    journalWaiting();
    m_backlog.rewind(from);
    m_assembler.restart(from);
    m_checkThrough = m_received.end();
}

void CallIntake::receive()
{
    if (m_port.commEvent() == CommControl::ReceiveEvent)
        drain();
}

void CallIntake::hold()
{
    ++m_holds;
}

void CallIntake::release()
{
    if (m_holds == 0 || --m_holds > 0)
        return;
    drain();
}

void CallIntake::takeArrived()
{
    // Into the journal before anything else happens to the characters; they
    // are handled from the event loop, outside the port's read notification.
    takeIn();
    if (!std::exchange(m_drainPosted, true))
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_drainPosted = false;
                drain();
            },
            Qt::QueuedConnection);
}

void CallIntake::takeIn()
{
    try {
        m_backlog.read(m_port);
    } catch (const std::bad_alloc&) {
        m_notices.inform(Prompt::outOfMemoryText());
    }
    journalWaiting();
}

bool CallIntake::journalWaiting()
{
    // Characters are handled only once they are in the journal: the stream
    // positions that mark what is stored count the journal's characters,
    // and a call handled without them could be lost or stored twice after a
    // crash.
    QString failure;
    if (m_backlog.journal(failure))
        return true;
    m_stall.journalFailed(failure, waitingCount());
    retrySoon();
    return false;
}

qint64 CallIntake::waitingCount() const
{
    return m_backlog.unjournalled() + qMax<qint64>(0, m_received.end() - m_assembler.position());
}

void CallIntake::drain()
{
    takeIn();
    process();
    if (!m_busy)
        m_notices.show();
}

void CallIntake::process()
{
    // Held: the characters wait (journalled). Busy: this is a receive event
    // inside the handling of an earlier line; that handling goes on with
    // these characters when its line is done. Inside someone else's
    // transaction a line could be rolled back with it: wait for the next event.
    if (m_busy || m_holds > 0 || m_waitingForData)
        return;
    if (CDatabase::shared().inTransaction()) {
        QTimer::singleShot(200, this, &CallIntake::drain);
        return;
    }
    m_busy = true;
    const DeferredPrompt::Scope deferred(m_notices);
    qint64 handled = -1;
    const qint64 began = m_assembler.position();
    while (m_backlog.waiting() && m_holds == 0 && !m_waitingForData) {
        qint64 start = m_assembler.position();
        // A slice at a time: what the port delivered in one go (a collector
        // far behind a fast line) is never cut into lines all at once.
        const QList<LineAssembler::Piece> pieces = m_assembler.take(m_backlog.next());
        for (const LineAssembler::Piece& piece : pieces) {
            if (piece.afterBreak)
                m_repeats.breakCame();
            // Whatever goes wrong with one line ends that line only; nothing
            // may leave the receive event.
            bool done = true;
            runGuarded(QStringLiteral("Unknown Error while handling a received CDR line."),
                       [&] { done = handlePiece(piece); });
            if (!done) {
                waitForDataSource(start);
                break;
            }
            handled = piece.end;
            start = piece.end;
            m_stall.handled();
        }
    }
    // Line ends and break marks after the last piece need nothing more.
    if (!m_waitingForData && m_holds == 0 && !m_backlog.waiting() && m_assembler.buffer().isEmpty() &&
        m_assembler.position() > began)
        handled = qMax(handled, m_assembler.position());
    if (handled >= 0) {
        try {
            m_received.markHandled(handled);
            // The lines last handled stay, for the repeat check after a restart.
            m_received.compact(m_assembler.position(), m_repeats.oldestStart());
        } catch (const std::exception&) {
            // The data source's marks still keep stored lines from coming twice.
        }
    }
    m_unframed.tell();
    m_busy = false;
}

bool CallIntake::handlePiece(const LineAssembler::Piece& piece)
{
    if (!piece.line) {
        QString failure;
        if (!m_unframed.keep(piece.text, piece.end, failure)) {
            // The piece waits in the received journal until it can be kept.
            m_stall.journalRefused(failure);
            return false;
        }
        if (m_saveRaw)
            m_raw.save(piece.text);
        return true;
    }
    if (m_repeats.skip(piece.text, m_reportMode))
        return true;
    if (m_reportMode) {
        QString failure;
        if (!m_report.collect(piece.text, piece.end, &failure)) {
            // The line waits in the received journal until it can be kept.
            m_stall.journalRefused(failure);
            return false;
        }
        m_calls.noteReportLine();
    } else if (handleLine(piece.text, piece.end) == Outcome::Unreachable) {
        return false;
    }
    m_repeats.handled(piece.text, piece.end);
    return true;
}

void CallIntake::retrySoon()
{
    if ((m_waitingForData || m_engine.pendingWaiting() || m_backlog.unjournalled() > 0) &&
        !m_retry.isActive())
        m_retry.start();
}

void CallIntake::waitForDataSource(qint64 from)
{
    // Also when a journal the line needs cannot be written (a full disk).
    // The line that met the unreachable data source and everything after
    // it are in the received journal: cut them again from there later.
    m_backlog.rewind(from);
    m_assembler.restart(from);
    m_waitingForData = true;
    retrySoon();
    m_stall.stalled(waitingCount());
}

int CallIntake::recutUnframed(int& remaining)
{
    const int lines = m_unframed.recut(m_assembler.lineLength(), remaining);
    if (lines > 0)
        m_reportMode = true;
    return lines;
}

QString CallIntake::joinableLine(qint64 head)
{
    return m_unframed.joinableLine(head, m_assembler.lineLength(), [this](const QString& line) {
        QString record;
        return m_engine.preproccdr(line, record) == 1;
    });
}

bool CallIntake::joinUnframed(qint64 head)
{
    const QString line = joinableLine(head);
    if (line.isEmpty() || !m_unframed.join(head, line))
        return false;
    m_reportMode = true;
    return true;
}

CallIntake::Outcome CallIntake::handleLine(const QString& line, qint64 source)
{
    // Exactly once: the raw row, the call (or its place in the pending
    // journal) and the mark of the line's end in the received stream are
    // one transaction. The line was journalled before it got here.
    Attempt attempt;
    attempt.line = line;
    attempt.source = source;
    QString journalFailure;
    bool reached = false;
    try {
        CTransaction transaction(CDatabase::shared());
        const QString identity = source >= 0 ? m_received.identity() : QString();
        // A line read again after a restart may have been stored just before
        // the program ended: the data source's mark says so.
        if (source >= 0 && source <= m_checkThrough && JournalMark::readSettled(identity) >= source)
            return Outcome::Rejected;
        reached = true;
        if (m_saveRaw)
            attempt.raw = m_raw.insert(line);
        attempt.outcome = storeCall(line, attempt.priced, attempt.record);
        if (attempt.outcome == Outcome::AppendFailed &&
            !m_engine.keepPending(attempt.record, source, &journalFailure)) {
            // Neither 话费表 nor the journal takes the call: the line
            // waits in the received journal, unmarked.
            m_stall.journalRefused(journalFailure);
            m_engine.reopenLostConnection();
            return Outcome::Unreachable;
        }
        if (source >= 0)
            JournalMark::write(identity, source);
        transaction.commit();
        attempt.committed = true;
    } catch (const DbError& error) {
        if (!reached && source >= 0) {
            // Nothing was decided: the line waits in the received journal.
            m_stall.unreachable(error.message());
            m_engine.reopenLostConnection();
            return Outcome::Unreachable;
        }
        // A refused row has been reported by the engine already; the same
        // broken connection failing the mark is no news. A data source that
        // keeps refusing (a full disk) is reported once until it stores again.
        if (attempt.outcome != Outcome::AppendFailed)
            m_engine.reportStoreFailure(error.message());
    } catch (const std::bad_alloc&) {
        Prompt::inform(Prompt::outOfMemoryText());
    }
    if (!attempt.committed && !settleFailedCommit(attempt))
        return Outcome::Unreachable;
    if (attempt.committed)
        afterCommit(attempt);
    if (attempt.priced)
        publish(*attempt.priced);
    retrySoon();
    return attempt.outcome;
}

bool CallIntake::settleFailedCommit(Attempt& attempt)
{
    m_engine.reopenLostConnection();
    const std::optional<bool> stored =
        attempt.outcome == Outcome::Stored ? storedAfterAll(attempt.source) : false;
    if (!stored) {
        // The commit's answer was lost and the data source cannot say
        // yet whether it took the call. Kept for a replay it could be
        // stored twice: the line waits in the received journal and is
        // checked against the mark once the data source answers.
        m_checkThrough = qMax(m_checkThrough, attempt.source);
        m_stall.unsure();
        return false;
    }
    if (*stored) {
        // The commit reported a failure, yet the data source holds the
        // line's mark: the call is stored and must not be kept again.
        attempt.committed = true;
        return true;
    }
    // Nothing of the transaction is stored: the call waits in the
    // engine's journal, the raw line in the raw journal.
    QString journalFailure;
    if (attempt.outcome == Outcome::Stored &&
        !m_engine.keepPending(attempt.record, attempt.source, &journalFailure)) {
        m_stall.journalRefused(journalFailure);
        return false;
    }
    attempt.priced.reset();
    if (attempt.raw)
        m_raw.keep(attempt.line);
    return true;
}

void CallIntake::afterCommit(const Attempt& attempt)
{
    m_engine.noteStored();
    if (attempt.outcome == Outcome::AppendFailed)
        m_engine.reopenLostConnection();
    if (attempt.outcome == Outcome::Stored && m_engine.pendingWaiting()) {
        // The data source takes rows again: store what it refused before.
        m_engine.storePendingCalls();
    }
    if (attempt.raw)
        m_raw.storeKept();
}

std::optional<bool> CallIntake::storedAfterAll(qint64 source)
{
    if (source < 0)
        return false;
    try {
        const Prompt::Silence quiet;
        return JournalMark::readSettled(m_received.identity()) >= source;
    } catch (const std::exception&) {
        m_engine.reopenLostConnection();
        return std::nullopt;
    }
}

CallIntake::Outcome CallIntake::storeReportLine(const QString& line, std::optional<PricedCall>& priced)
{
    if (m_saveRaw)
        m_raw.save(line);
    QString record;
    return storeCall(line, priced, record);
}

CallIntake::Outcome CallIntake::storeCall(const QString& line, std::optional<PricedCall>& priced,
                                          QString& record)
{
    priced.reset();
    record.clear();
    if (m_engine.preproccdr(line, record) != 1)
        return record.startsWith(QLatin1String("CDR")) ? Outcome::FieldOrderError : Outcome::Rejected;
    if (record.mid(StartTimePos, 6) == QLatin1String("000000"))
        return Outcome::Rejected;
    if (record.mid(TracePos, 4) != QLatin1String("0000"))
        return Outcome::Rejected;
    if (m_engine.PriceAndStore(record) != 1)
        return m_engine.lastAppendFailed() ? Outcome::AppendFailed : Outcome::Rejected;
    priced = m_engine.lastCall();
    return Outcome::Stored;
}

void CallIntake::publish(const PricedCall& call)
{
    m_calls.addCall(call);
    // The charge went to the guest's stay in the call's own transaction.
    if (call.depositReached)
        depositReached(call.caller);
}

void CallIntake::depositReached(const QString& extension)
{
    if (!m_hotel || !m_hotel->autoChange)
        return;
    if (AutoClassChange* change = AutoClassChange::installed())
        change->lowerToDefault(extension);
}

} // namespace qalor
