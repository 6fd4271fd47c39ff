#include "receiving/CallIntake.h"

#include "db/CDatabase.h"
#include "hotel/AutoClassChange.h"
#include "hotel/HotelSettings.h"
#include "intake/CdrParser.h"
#include "intake/DataFolder.h"
#include "intake/JournalMark.h"
#include "prompt/Prompt.h"
#include "receiving/ReceivedCallsModel.h"
#include "receiving/ReportLines.h"
#include "receiving/UnframedJoin.h"
#include "receiving/UnframedRecut.h"
#include "serial/CommControl.h"
#include "serial/SerialCommControl.h"
#include "serial/StreamBreak.h"

#include <QDateTime>
#include <QTimer>

namespace qalor {

namespace {
// The canonical record's start time and trace number.
constexpr int StartTimePos = 26;
constexpr int TracePos = 0;
// Kept raw lines stored per transaction.
constexpr qsizetype RawBatch = 200;
// How often lines waiting for an unreachable data source are tried again.
constexpr int DataRetryMs = 3000;
// Characters read while the received journal cannot be written (a full
// disk) wait in memory up to this many; past it they are left with the port.
constexpr qsizetype UnjournalledLimit = 1024 * 1024;
// Characters cut into lines at a time.
constexpr qsizetype CutSlice = 64 * 1024;

// A text column cannot hold a NUL (PostgreSQL refuses it, the SQLite
// driver cuts the text there): control characters other than the line end
// are stored as \xHH in cdr表; the unframed journal keeps them as received.
QString rawText(const QString& line)
{
    QString text;
    text.reserve(line.size());
    for (const QChar c : line) {
        if ((c.unicode() < 0x20 && c != QLatin1Char('\r') && c != QLatin1Char('\n')) || c.unicode() == 0x7f)
            text += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            text += c;
    }
    return text;
}

bool startsWithDigit(const QString& text)
{
    return !text.isEmpty() && text.at(0) >= QLatin1Char('0') && text.at(0) <= QLatin1Char('9');
}
} // namespace

QString CallIntake::unframedJournalPath()
{
    return dataFolder() + QStringLiteral("/unframed-cdr.journal");
}

QString CallIntake::rawJournalPath()
{
    return dataFolder() + QStringLiteral("/raw-lines.journal");
}

QString CallIntake::repeatedLinesPath()
{
    return dataFolder() + QStringLiteral("/repeated-lines.txt");
}

CallIntake::CallIntake(CommControl& port, CCallRater& engine, ReceivedCallsModel& calls, ReportLines& report,
                       QObject* parent)
    : QObject(parent), m_port(port), m_engine(engine), m_calls(calls), m_report(report),
      m_unframed(unframedJournalPath()), m_rawKept(rawJournalPath()), m_recut(m_unframed, m_report)
{
    // A recut the last run did not get to the end of.
    QString failure;
    if (!m_recut.finish(failure))
        m_notices.inform(recutFailureText(failure));
    m_engine.setDepositReached([this](const QString& extension) { depositReached(extension); });
    connect(&m_port, &CommControl::comm, this, &CallIntake::receive);
    connect(&m_port, &CommControl::arrived, this, &CallIntake::takeArrived);
    m_retry.setSingleShot(true);
    m_retry.setInterval(DataRetryMs);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        const bool unjournalled = !m_unjournalled.isEmpty();
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
    m_recent = RecentLines::fromText(QStringView(journalled).left(qMax<qint64>(0, from - start)), from);
    // While the program was not running the port was closed and the exchange's
    // characters were lost on the line: what comes next never continues a
    // line the journal ends inside. The break goes into the journal like any
    // other received character.
    if (m_received.end() > 0)
        m_unjournalled = QString(QChar(StreamBreak));
    journalWaiting();
    m_unread = m_received.textFrom(from);
    m_assembler.restart(from);
    m_checkThrough = m_received.end();
}

bool CallIntake::openRawStore()
{
    return runGuarded(QStringLiteral("Unkonwn Error in CQalorView Structing."), [this] {
        m_raw.setFilter(QStringLiteral("呼叫记录=NULL"));
        m_raw.open();
    });
}

void CallIntake::closeRawStore()
{
    if (m_raw.isOpen())
        m_raw.close();
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
        // The control hands out at most InputLen characters per read: take
        // everything it holds (while the journal cannot take them, only as
        // many as may wait in memory).
        while (m_unjournalled.size() < UnjournalledLimit) {
            const QString part = m_port.input();
            if (part.isEmpty())
                break;
            m_unjournalled += part;
        }
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
    if (m_unjournalled.isEmpty())
        return true;
    try {
        m_received.append(m_unjournalled);
    } catch (const std::exception& error) {
        tellJournalFailure(QString::fromLocal8Bit(error.what()));
        retrySoon();
        return false;
    }
    m_unread += std::exchange(m_unjournalled, QString());
    return true;
}

void CallIntake::journalRefused(const QString& reason)
{
    // The line waits like one that met an unreachable data source, but what
    // stopped it is the journal, and that is what the person is told.
    // Told once the line is back among the characters that wait, so that
    // the count includes it.
    m_unreachableText.clear();
    m_refusedReason = reason;
}

void CallIntake::tellJournalFailure(const QString& reason)
{
    // Once until a line is handled again, however often it is tried.
    if (m_journalFailureShown)
        return;
    m_journalFailureShown = true;
    const qint64 waiting = m_unjournalled.size() + qMax<qint64>(0, m_received.end() - m_assembler.position());
    m_notices.inform(
        QStringLiteral("收到的CDR数据无法写入日志文件:\n%1\n"
                       "已收到未计费的%2个字符等待处理(其中未写入日志的暂存在内存中,最多%3个字符),"
                       "磁盘有空间后自动写入并计费,请勿关闭程序.")
            .arg(reason)
            .arg(waiting)
            .arg(UnjournalledLimit));
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
    while (!m_unread.isEmpty() && m_holds == 0 && !m_waitingForData) {
        qint64 start = m_assembler.position();
        // A slice at a time: what the port delivered in one go (a collector
        // far behind a fast line) is never cut into lines all at once.
        const QString slice = m_unread.first(qMin(m_unread.size(), CutSlice));
        m_unread.remove(0, slice.size());
        const QList<LineAssembler::Piece> pieces = m_assembler.take(slice);
        for (const LineAssembler::Piece& piece : pieces) {
            if (piece.afterBreak) {
                m_repeatWindow = RecentLines::Kept;
                m_storedAtBreak = -1;
            }
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
            m_unreachableTold = false;
            m_journalFailureShown = false;
        }
    }
    // Line ends and break marks after the last piece need nothing more.
    if (!m_waitingForData && m_holds == 0 && m_unread.isEmpty() && m_assembler.buffer().isEmpty() &&
        m_assembler.position() > began)
        handled = qMax(handled, m_assembler.position());
    if (handled >= 0) {
        try {
            m_received.markHandled(handled);
            // The lines last handled stay, for the repeat check after a restart.
            m_received.compact(m_assembler.position(), m_recent.oldestStart());
        } catch (const std::exception&) {
            // The data source's marks still keep stored lines from coming twice.
        }
    }
    notifyUnframed();
    m_busy = false;
}

bool CallIntake::handlePiece(const LineAssembler::Piece& piece)
{
    if (!piece.line)
        return keepUnframed(piece);
    if (m_repeatWindow > 0 && isRepeat(piece.text)) {
        // The device sent again what it had sent before the break.
        --m_repeatWindow;
        noteRepeat(piece.text);
        return true;
    }
    if (m_reportMode) {
        QString failure;
        if (!m_report.collect(piece.text, piece.end, &failure)) {
            // The line waits in the received journal until it can be kept.
            journalRefused(failure);
            return false;
        }
        m_calls.noteReportLine();
    } else if (handleLine(piece.text, piece.end) == Outcome::Unreachable) {
        return false;
    }
    if (m_repeatWindow > 0)
        --m_repeatWindow;
    m_recent.add(piece.text, piece.end);
    return true;
}

bool CallIntake::isRepeat(const QString& line)
{
    if (m_reportMode)
        return m_recent.contains(line);
    // How far the data source had stored when the break came, read before
    // the first line after it is stored: a line it had not stored then (the
    // data source was changed meanwhile) is not a repeat.
    if (m_storedAtBreak < 0) {
        try {
            const Prompt::Silence quiet;
            m_storedAtBreak = JournalMark::read(m_received.identity());
        } catch (const std::exception&) {
            return false;
        }
    }
    const qint64 end = m_recent.endOf(line);
    return end >= 0 && end <= m_storedAtBreak;
}

void CallIntake::noteRepeat(const QString& line)
{
    // Kept for whoever wants to see what was left out, with the time it came.
    try {
        LineJournal(repeatedLinesPath())
            .append(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) + line);
    } catch (const std::exception&) {
        // Nothing is lost when the note cannot be written: the line is stored already.
    }
}

void CallIntake::retrySoon()
{
    if ((m_waitingForData || m_engine.pendingWaiting() || !m_unjournalled.isEmpty()) && !m_retry.isActive())
        m_retry.start();
}

void CallIntake::waitForDataSource(qint64 from)
{
    // Also when a journal the line needs cannot be written (a full disk).
    // The line that met the unreachable data source and everything after
    // it are in the received journal: cut them again from there later.
    m_unread = m_received.textFrom(from);
    m_assembler.restart(from);
    m_waitingForData = true;
    retrySoon();
    if (!m_refusedReason.isEmpty())
        tellJournalFailure(std::exchange(m_refusedReason, QString()));
    // Told once an outage, however often it is tried again.
    if (m_unreachableText.isEmpty())
        return; // a journal that cannot be written has been reported
    if (!m_unreachableTold)
        m_notices.inform(m_unreachableText);
    m_unreachableTold = true;
}

bool CallIntake::keepUnframed(const LineAssembler::Piece& piece)
{
    try {
        m_unframed.append(piece.text, piece.end, QDateTime::currentMSecsSinceEpoch());
    } catch (const std::exception& error) {
        // The piece waits in the received journal until it can be kept.
        journalRefused(QString::fromLocal8Bit(error.what()));
        return false;
    }
    if (startsWithDigit(piece.text))
        m_unframedNew = true;
    if (m_saveRaw)
        saveRawLine(piece.text);
    return true;
}

void CallIntake::notifyUnframed()
{
    // Told once: after the layout changed every line comes here, and one
    // message says so; the count is that of the pieces kept so far.
    if (!m_unframedNew || m_unframedTold)
        return;
    m_unframedNew = false;
    m_unframedTold = true;
    const int kept = int(m_unframed.entries().size());
    m_notices.inform(
        QStringLiteral("有%1段收到的CDR数据不符合当前的CDR字段定义,无法计费,已另行保存.\n"
                       "改正CDR字段定义后,可用\"REPORT处理\"菜单中的\"重新切分未成行的CDR数据\"计算.")
            .arg(kept));
}

QString CallIntake::recutFailureText(const QString& reason)
{
    return QStringLiteral(
               "重新切分未成行的CDR数据未能完成:\n%1\n"
               "已切分的记录和其余数据均已保留,磁盘有空间后再次\"重新切分未成行的CDR数据\"即可继续.")
        .arg(reason);
}

int CallIntake::recutUnframed(int& remaining)
{
    const UnframedRecut::Result result = m_recut.run(m_assembler.lineLength());
    if (!result.failure.isEmpty())
        Prompt::inform(recutFailureText(result.failure));
    if (result.lines > 0)
        m_reportMode = true;
    m_unframedTold = false;
    remaining = result.remaining;
    return result.lines;
}

QString CallIntake::joinableLine(qint64 head)
{
    const QList<LineJournal::Entry> pieces = m_unframed.entries();
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
        if (pieces.at(i).number != head)
            continue;
        const QString line = UnframedJoin::line(pieces.at(i), pieces.at(i + 1), m_assembler.lineLength());
        QString record;
        return !line.isEmpty() && m_engine.preproccdr(line, record) == 1 ? line : QString();
    }
    return QString();
}

bool CallIntake::joinUnframed(qint64 head)
{
    const QString line = joinableLine(head);
    if (line.isEmpty())
        return false;
    // The other pieces stay, in their order.
    const QList<LineJournal::Entry> pieces = m_unframed.entries();
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
    m_reportMode = true;
    return true;
}

QList<LineJournal::Entry> CallIntake::unframedPieces() const
{
    return m_unframed.entries();
}

int CallIntake::discardUnframed()
{
    const int pieces = int(m_unframed.entries().size());
    // The stream position they came from stays noted, so that a restart
    // does not take them in again.
    m_unframed.clear();
    m_unframedTold = false;
    m_unframedNew = false;
    return pieces;
}

CallIntake::Outcome CallIntake::handleLine(const QString& line, qint64 source)
{
    std::optional<PricedCall> priced;
    Outcome outcome = Outcome::Rejected;
    QString record;
    QString journalFailure;
    bool rawInTransaction = false;
    bool committed = false;
    bool reached = false;
    try {
        CDatabase& db = CDatabase::shared();
        CTransaction transaction(db);
        const QString identity = source >= 0 ? m_received.identity() : QString();
        // A line read again after a restart may have been stored just before
        // the program ended: the data source's mark says so.
        if (source >= 0 && source <= m_checkThrough && JournalMark::readSettled(identity) >= source)
            return Outcome::Rejected;
        reached = true;
        if (m_saveRaw) {
            rawInTransaction = insertRaw(line);
        }
        outcome = priceLine(line, priced, record);
        if (outcome == Outcome::AppendFailed) {
            if (!m_engine.keepPending(record, source, &journalFailure)) {
                // Neither 话费表 nor the journal takes the call: the line
                // waits in the received journal, unmarked.
                journalRefused(journalFailure);
                m_engine.reopenLostConnection();
                return Outcome::Unreachable;
            }
        }
        if (source >= 0)
            JournalMark::write(identity, source);
        transaction.commit();
        committed = true;
    } catch (const DbError& error) {
        if (!reached && source >= 0) {
            // Nothing was decided: the line waits in the received journal.
            m_unreachableText = error.message();
            m_engine.reopenLostConnection();
            return Outcome::Unreachable;
        }
        // A refused row has been reported by the engine already; the same
        // broken connection failing the mark is no news. A data source that
        // keeps refusing (a full disk) is reported once until it stores again.
        if (outcome != Outcome::AppendFailed)
            m_engine.reportStoreFailure(error.message());
    } catch (const std::bad_alloc&) {
        Prompt::inform(Prompt::outOfMemoryText());
    }
    if (!committed) {
        m_engine.reopenLostConnection();
        const std::optional<bool> stored = outcome == Outcome::Stored ? storedAfterAll(source) : false;
        if (!stored) {
            // The commit's answer was lost and the data source cannot say
            // yet whether it took the call. Kept for a replay it could be
            // stored twice: the line waits in the received journal and is
            // checked against the mark once the data source answers.
            m_checkThrough = qMax(m_checkThrough, source);
            m_unreachableText.clear();
            return Outcome::Unreachable;
        }
        if (*stored) {
            // The commit reported a failure, yet the data source holds the
            // line's mark: the call is stored and must not be kept again.
            committed = true;
        } else {
            // Nothing of the transaction is stored: the call waits in the
            // engine's journal, the raw line in the raw journal.
            if (outcome == Outcome::Stored && !m_engine.keepPending(record, source, &journalFailure)) {
                journalRefused(journalFailure);
                return Outcome::Unreachable;
            }
            priced.reset();
            if (rawInTransaction)
                keepRaw(line);
        }
    }
    if (committed) {
        m_engine.noteStored();
        if (outcome == Outcome::AppendFailed)
            m_engine.reopenLostConnection();
        if (outcome == Outcome::Stored && m_engine.pendingWaiting()) {
            // The data source takes rows again: store what it refused before.
            m_engine.PricePendingCalls();
        }
        if (rawInTransaction)
            storeKeptRaw();
    }
    if (priced)
        publish(*priced);
    retrySoon();
    return outcome;
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

CallIntake::Outcome CallIntake::storeLine(const QString& line, std::optional<PricedCall>& priced)
{
    if (m_saveRaw)
        saveRawLine(line);
    QString record;
    return priceLine(line, priced, record);
}

CallIntake::Outcome CallIntake::priceLine(const QString& line, std::optional<PricedCall>& priced,
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

bool CallIntake::insertRaw(const QString& line)
{
    // A raw line that cannot be stored must not cost the call: report the
    // failure (once, until saving works again) and go on pricing.
    const bool saved = [&] {
        try {
            if (!m_raw.isOpen()) {
                m_raw.setFilter(QStringLiteral("呼叫记录=NULL"));
                m_raw.open();
            }
            m_raw.addNew();
            m_raw.setValue(CCdrSet::Line, rawText(line));
            m_raw.update();
            return true;
        } catch (const DbError& error) {
            m_raw.cancelUpdate();
            if (!m_rawFailureShown)
                Prompt::inform(error.message());
        } catch (const std::bad_alloc&) {
            m_raw.cancelUpdate();
            if (!m_rawFailureShown)
                Prompt::inform(Prompt::outOfMemoryText());
        } catch (const std::exception& error) {
            m_raw.cancelUpdate();
            if (!m_rawFailureShown)
                Prompt::inform(QString::fromLocal8Bit(error.what()));
        }
        return false;
    }();
    m_rawFailureShown = !saved;
    if (!saved)
        keepRaw(line);
    return saved;
}

bool CallIntake::saveRawLine(const QString& line)
{
    if (!insertRaw(line))
        return false;
    if (!CDatabase::shared().inTransaction())
        storeKeptRaw();
    return true;
}

void CallIntake::keepRaw(const QString& line)
{
    try {
        m_rawKept.append(line);
    } catch (const std::exception& error) {
        Prompt::inform(QString::fromLocal8Bit(error.what()));
    }
}

void CallIntake::storeKeptRaw()
{
    // Raw lines the data source refused earlier, oldest first, in batches
    // marked in the data source like every replay.
    const QList<LineJournal::Entry> kept = m_rawKept.entries();
    if (kept.isEmpty() || CDatabase::shared().inTransaction())
        return;
    const QString identity = m_rawKept.identity();
    for (qsizetype done = 0; done < kept.size();) {
        const qsizetype count = qMin(RawBatch, kept.size() - done);
        const qint64 last = kept.at(done + count - 1).number;
        try {
            CTransaction transaction(CDatabase::shared());
            const qint64 storedThrough = JournalMark::read(identity);
            for (qsizetype i = done; i < done + count; ++i) {
                if (kept.at(i).number <= storedThrough)
                    continue;
                if (!m_raw.isOpen()) {
                    m_raw.setFilter(QStringLiteral("呼叫记录=NULL"));
                    m_raw.open();
                }
                m_raw.addNew();
                m_raw.setValue(CCdrSet::Line, rawText(kept.at(i).text));
                m_raw.update();
            }
            JournalMark::write(identity, last);
            transaction.commit();
        } catch (const std::exception&) {
            m_raw.cancelUpdate();
            return; // still refused: they wait for the next stored line
        }
        done += count;
        try {
            if (done == kept.size())
                m_rawKept.clear();
            else
                m_rawKept.dropThrough(last);
        } catch (const std::exception&) {
            return;
        }
    }
}

bool openCdrPort(CommControl& port)
{
    if (!port.portOpen())
        port.setPortOpen(true);
    // A device that is not there yet is waited for (the port stays open and
    // tries again); why it is not up is said here.
    if (port.portOpen() && (port.link() != CommControl::Link::Reconnecting || port.lastError().isEmpty()))
        return true;
    const int number = port.commPort();
    Prompt::inform(QStringLiteral("无法打开串口COM%1 (%2): %3")
                       .arg(number)
                       .arg(serialDeviceForPort(number), port.lastError()));
    return port.portOpen();
}

} // namespace qalor
