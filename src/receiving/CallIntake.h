#pragma once

#include "intake/LineAssembler.h"
#include "intake/LineJournal.h"
#include "intake/ReceivedJournal.h"
#include "prompt/DeferredPrompt.h"
#include "rating/CCallRater.h"
#include "receiving/RawStore.h"
#include "receiving/ReceivedBacklog.h"
#include "receiving/RepeatDetector.h"
#include "receiving/StallNotices.h"
#include "receiving/UnframedKeeper.h"

#include <QObject>
#include <QTimer>
#include <optional>

namespace qalor {

class CommControl;
class ReceivedCallsModel;
struct HotelSettings;
class ReportLines;

// The receive side of the CDR port: turns received characters into lines and
// runs each line through raw saving, parsing, the start/trace gate, pricing,
// the received-calls list and the hotel accrual. In REPORT mode lines are
// only collected.
//
// Every character read goes to the received journal before anything else
// happens to it. Each line is stored in one transaction together with the
// data source's mark of its position, so after a crash the journal's
// unhandled rest is handled again and nothing is lost or stored twice.
// While the data source cannot be reached at all, the line that met it and
// everything after it wait in the received journal and are tried again
// every few seconds, in the order they arrived.
// Characters that do not form a line of the current layout are kept in the
// unframed journal (and in cdr表 when raw saving is on). Messages raised
// while handling are shown afterwards, outside the handling, never stacked.
//
// Characters are handled only once they are in the received journal; while
// it cannot be written (a full disk) they wait in memory, up to a bound, and
// a line whose call neither the data source nor the pending journal takes
// waits in the received journal. A start is a break in the stream like a
// reconnect: the piece the journal ends with is kept aside, never continued.
// After a break, a line the device repeats is left out (RepeatDetector).
class CallIntake : public QObject
{
    Q_OBJECT
public:
    // How one line ended.
    enum class Outcome {
        Stored,          // priced and appended to 话费表
        Rejected,        // parser, gate or engine refused it (not billable, no start, traced)
        FieldOrderError, // the layout does not fit the line
        AppendFailed,    // priced, but 话费表 refused the row
        Unreachable,     // the data source could not be reached; nothing was decided or stored
    };

    CallIntake(CommControl& port, CCallRater& engine, ReceivedCallsModel& calls, ReportLines& report,
               QObject* parent = nullptr);
    ~CallIntake() override;

    // Opens the raw-CDR record set (cdr表, append only). Failures are shown
    // with the driver's text or "Unkonwn Error in CQalorView Structing.".
    bool openRawStore() { return m_raw.open(); }
    void closeRawStore() { m_raw.close(); }

    bool saveRaw() const { return m_saveRaw; }
    void setSaveRaw(bool on) { m_saveRaw = on; }

    // The hotel settings whose automatic class change applies when a stay's
    // charges reach its deposit; without them nothing is lowered.
    void followHotelSettings(const HotelSettings& settings) { m_hotel = &settings; }

    bool reportMode() const { return m_reportMode; }
    void setReportMode(bool on) { m_reportMode = on; }

    void setLineLength(int length) { m_assembler.setLineLength(length); }
    LineAssembler& assembler() { return m_assembler; }

    // Holding intake: while held (holds nest), characters keep being read
    // from the port and are kept, but no line is cut or priced. Releasing the
    // last hold handles everything kept, in the order it arrived. Used while
    // the exchange's administration dialogue runs on the CDR line and while
    // the call table is being maintained.
    void hold();
    void release();
    bool held() const { return m_holds > 0; }

    // The receive event: reads everything the port holds and handles every
    // complete line in it.
    void receive();
    // Reads everything the port holds and handles every complete line, event or not.
    void drain();
    // Reads everything the port holds into the journal without handling it
    // (before the port is closed).
    void takeIn();
    // Characters have come: journalled at once, handled soon after.
    void takeArrived();

    // One line, in normal mode: stores it and, when priced, shows it and
    // feeds the hotel accrual. A field-order error ends that line only.
    // source: the line's end in the received stream (-1: none).
    Outcome handleLine(const QString& line, qint64 source = -1);

    // Characters kept because they did not form a line; cut again with the
    // current layout, the lines among them are collected for REPORT
    // processing (REPORT mode starts). Returns how many lines were found;
    // remaining tells how many pieces stay kept.
    int recutUnframed(int& remaining);
    // The pieces kept because they did not form a line, oldest first.
    QList<LineJournal::Entry> unframedPieces() const { return m_unframed.pieces(); }
    // The line that the kept piece numbered head (cut by a break) and the
    // piece after it make together, when it is a line the parser takes;
    // empty otherwise. Joining collects it for REPORT processing (REPORT
    // mode starts) and forgets both pieces; false when it cannot be joined.
    QString joinableLine(qint64 head);
    bool joinUnframed(qint64 head);
    // Forgets every kept piece; returns how many there were.
    int discardUnframed() { return m_unframed.discard(); }
    DeferredPrompt& notices() { return m_notices; }

    // A REPORT batch's line, stored inside the batch's transaction: the raw
    // row (when raw saving is on) and the call (storeCall). The batch
    // publishes the priced call once its transaction committed.
    Outcome storeReportLine(const QString& line, std::optional<PricedCall>& priced);
    // Parses, gates, prices and stores the call of line, without the raw
    // row; record receives the canonical record.
    Outcome storeCall(const QString& line, std::optional<PricedCall>& priced, QString& record);
    // The showing half: list row and the hotel hook.
    void publish(const PricedCall& call);
    // A stay's charges reached its deposit: with automatic class change on,
    // the extension is lowered to its lowest class at once.
    void depositReached(const QString& extension);

private:
    void resume();
    void process();
    // False when the line has to wait for the data source.
    bool handlePiece(const LineAssembler::Piece& piece);
    void waitForDataSource(qint64 from);
    // Writes the characters read and not yet journalled; false while it cannot.
    bool journalWaiting();
    // Characters read and not handled yet.
    qint64 waitingCount() const;
    // After a failed commit: whether the data source holds the mark of the
    // line at source all the same; nothing while it cannot be asked.
    std::optional<bool> storedAfterAll(qint64 source);
    // Lines waiting for the data source, and calls it refused, are tried again after a pause.
    void retrySoon();
    // One line's attempt at its transaction, and what follows from how it ended.
    struct Attempt
    {
        QString line;
        qint64 source = -1;
        Outcome outcome = Outcome::Rejected;
        QString record; // the canonical record priced
        std::optional<PricedCall> priced;
        bool raw = false; // the raw row went into the transaction
        bool committed = false;
    };
    // The commit failed: false when the line has to wait in the received
    // journal; otherwise whether the call is stored after all is settled.
    bool settleFailedCommit(Attempt& attempt);
    void afterCommit(const Attempt& attempt);

    CommControl& m_port;
    CCallRater& m_engine;
    ReceivedCallsModel& m_calls;
    const HotelSettings* m_hotel = nullptr;
    ReportLines& m_report;
    LineAssembler m_assembler;
    DeferredPrompt m_notices;
    StallNotices m_stall;
    RawStore m_raw;
    bool m_saveRaw = false;
    bool m_reportMode = false;
    int m_holds = 0;
    bool m_busy = false;
    bool m_drainPosted = false;
    ReceivedJournal m_received;
    ReceivedBacklog m_backlog;
    RepeatDetector m_repeats;
    UnframedKeeper m_unframed;
    qint64 m_checkThrough = -1; // lines up to here may be stored already (read back after a restart)
    QTimer m_retry;
    bool m_waitingForData = false;
};

} // namespace qalor
