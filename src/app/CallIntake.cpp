#include "app/CallIntake.h"

#include "app/AppState.h"
#include "app/ReceivedCallsModel.h"
#include "app/ReportLines.h"
#include "db/CDatabase.h"
#include "hotel/AutoClassChange.h"
#include "intake/CdrParser.h"
#include "intake/DataFolder.h"
#include "intake/JournalMark.h"
#include "prompt/Prompt.h"
#include "serial/CommControl.h"
#include "serial/SerialCommControl.h"

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

CallIntake::CallIntake(CommControl& port, CCallRater& engine, ReceivedCallsModel& calls, ReportLines& report,
                       QObject* parent)
    : QObject(parent), m_port(port), m_engine(engine), m_calls(calls), m_report(report),
      m_unframed(unframedJournalPath()), m_rawKept(rawJournalPath())
{
    connect(&m_port, &CommControl::comm, this, &CallIntake::receive);
    connect(&m_port, &CommControl::arrived, this, &CallIntake::drain);
    m_retry.setSingleShot(true);
    m_retry.setInterval(DataRetryMs);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        if (std::exchange(m_waitingForData, false))
            drain();
        // Not in the middle of a line or a batch: those store the waiting calls themselves.
        if (!m_busy && m_holds == 0 && !m_waitingForData)
            m_engine.retryPendingCalls();
        retrySoon();
    });
    resume();
    retrySoon();
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

void CallIntake::takeIn()
{
    QString chunk;
    try {
        // The control hands out at most InputLen characters per read: take
        // everything it holds.
        for (QString part = m_port.input(); !part.isEmpty(); part = m_port.input())
            chunk += part;
        if (chunk.isEmpty())
            return;
        m_unread += chunk;
    } catch (const std::bad_alloc&) {
        m_notices.inform(Prompt::outOfMemoryText());
        return;
    }
    try {
        m_received.append(chunk);
        m_journalFailureShown = false;
    } catch (const std::exception& error) {
        // The characters are still handled; only a crash now could lose them.
        if (!m_journalFailureShown)
            m_notices.inform(QString::fromLocal8Bit(error.what()));
        m_journalFailureShown = true;
    }
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
    while (!m_unread.isEmpty() && m_holds == 0 && !m_waitingForData) {
        qint64 start = m_assembler.position();
        const QList<LineAssembler::Piece> pieces = m_assembler.take(std::exchange(m_unread, QString()));
        for (const LineAssembler::Piece& piece : pieces) {
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
        }
    }
    if (handled >= 0) {
        try {
            m_received.markHandled(handled);
            m_received.compact(m_assembler.position());
        } catch (const std::exception&) {
            // The data source's marks still keep stored lines from coming twice.
        }
    }
    notifyUnframed();
    m_busy = false;
}

bool CallIntake::handlePiece(const LineAssembler::Piece& piece)
{
    if (!piece.line) {
        keepUnframed(piece);
        return true;
    }
    if (m_reportMode) {
        m_report.collect(piece.text, piece.end);
        m_calls.noteReportLine();
        return true;
    }
    return handleLine(piece.text, piece.end) != Outcome::Unreachable;
}

void CallIntake::retrySoon()
{
    if ((m_waitingForData || m_engine.pendingWaiting()) && !m_retry.isActive())
        m_retry.start();
}

void CallIntake::waitForDataSource(qint64 from)
{
    // The line that met the unreachable data source and everything after
    // it are in the received journal: cut them again from there later.
    m_unread = m_received.textFrom(from);
    m_assembler.restart(from);
    m_waitingForData = true;
    retrySoon();
    // Told once an outage, however often it is tried again.
    if (!m_unreachableTold)
        m_notices.inform(m_unreachableText);
    m_unreachableTold = true;
}

void CallIntake::keepUnframed(const LineAssembler::Piece& piece)
{
    try {
        m_unframed.append(piece.text, piece.end, QDateTime::currentMSecsSinceEpoch());
    } catch (const std::exception& error) {
        m_notices.inform(QString::fromLocal8Bit(error.what()));
    }
    if (startsWithDigit(piece.text))
        m_unframedNew = true;
    if (m_saveRaw)
        saveRawLine(piece.text);
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
    m_notices.inform(QStringLiteral("有%1段收到的CDR数据不符合当前的CDR字段定义,无法计费,已另行保存.\n"
                                    "改正CDR字段定义后,可用\"REPORT处理\"菜单中的\"重新切分未成行的CDR数据\"计算.")
                         .arg(kept));
}

int CallIntake::recutUnframed(int& remaining)
{
    const QList<LineJournal::Entry> kept = m_unframed.entries();
    QString text;
    for (const LineJournal::Entry& entry : kept)
        text += entry.text;
    LineAssembler assembler(m_assembler.lineLength());
    QList<LineAssembler::Piece> pieces = assembler.take(text);
    if (!assembler.buffer().isEmpty())
        pieces.append({assembler.buffer(), assembler.position() + assembler.buffer().size(), false});
    QStringList rest;
    int lines = 0;
    for (const LineAssembler::Piece& piece : std::as_const(pieces)) {
        if (piece.line) {
            m_report.collect(piece.text);
            ++lines;
        } else {
            rest << piece.text;
        }
    }
    // Nothing cut: the pieces stay as they were kept, with their times.
    if (lines > 0)
        m_unframed.replace(rest);
    if (lines > 0)
        m_reportMode = true;
    m_unframedTold = false;
    remaining = lines > 0 ? int(rest.size()) : int(kept.size());
    return lines;
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
    bool rawInTransaction = false;
    bool committed = false;
    bool reached = false;
    try {
        CDatabase& db = CDatabase::shared();
        CTransaction transaction(db);
        const QString identity = source >= 0 ? m_received.identity() : QString();
        // A line read again after a restart may have been stored just before
        // the program ended: the data source's mark says so.
        if (source >= 0 && source <= m_checkThrough && JournalMark::read(identity) >= source)
            return Outcome::Rejected;
        reached = true;
        m_unreachableTold = false;
        if (m_saveRaw) {
            rawInTransaction = insertRaw(line);
        }
        outcome = priceLine(line, priced, record);
        if (outcome == Outcome::AppendFailed)
            m_engine.keepPending(record, source);
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
        // broken connection failing the mark is no news.
        if (outcome != Outcome::AppendFailed)
            Prompt::inform(error.message());
    } catch (const std::bad_alloc&) {
        Prompt::inform(Prompt::outOfMemoryText());
    }
    if (!committed) {
        // Nothing of the transaction is stored: the call waits in the
        // engine's journal, the raw line in the raw journal.
        if (outcome == Outcome::Stored)
            m_engine.keepPending(record, source);
        priced.reset();
        if (rawInTransaction)
            keepRaw(line);
        m_engine.reopenLostConnection();
    } else {
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

CallIntake::Outcome CallIntake::storeLine(const QString& line, std::optional<PricedCall>& priced)
{
    if (m_saveRaw)
        saveRawLine(line);
    QString record;
    return priceLine(line, priced, record);
}

CallIntake::Outcome CallIntake::priceLine(const QString& line, std::optional<PricedCall>& priced, QString& record)
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
    if (!m_engine.hotelRoomsLoaded())
        return;
    if (m_engine.AccrueHotelCharge(call.caller, call.billed()) != 1)
        return;
    if (!AppState::instance().hotel.autoChange)
        return;
    if (AutoClassChange* change = AutoClassChange::installed())
        change->lowerToDefault(call.caller);
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
    if (port.portOpen())
        return true;
    port.setPortOpen(true);
    if (port.portOpen())
        return true;
    const int number = port.commPort();
    Prompt::inform(QStringLiteral("无法打开串口COM%1 (%2): %3")
                       .arg(number)
                       .arg(serialDeviceForPort(number), port.lastError()));
    return false;
}

} // namespace qalor
