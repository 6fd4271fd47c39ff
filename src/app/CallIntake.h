#pragma once

#include "db/sets/CCdrSet.h"
#include "intake/LineAssembler.h"
#include "rating/CCallRater.h"

#include <QObject>
#include <optional>

namespace qalor {

class CommControl;
class ReceivedCallsModel;
class ReportLines;

// Opens the CDR port when it is closed; a port that will not open is
// reported once with its device and the reason, and the program goes on.
bool openCdrPort(CommControl& port);

// The receive side of the CDR port: turns received characters into lines and
// runs each line through raw saving, parsing, the start/trace gate, pricing,
// the received-calls list and the hotel accrual. In REPORT mode lines are
// only collected.
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
    };

    CallIntake(CommControl& port, CCallRater& engine, ReceivedCallsModel& calls, ReportLines& report,
               QObject* parent = nullptr);

    // Opens the raw-CDR record set (cdr表, append only). Failures are shown
    // with the driver's text or "Unkonwn Error in CQalorView Structing.".
    bool openRawStore();
    void closeRawStore();

    bool saveRaw() const { return m_saveRaw; }
    void setSaveRaw(bool on) { m_saveRaw = on; }

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

    // One line, in normal mode: stores it and, when priced, shows it and
    // feeds the hotel accrual. A field-order error ends that line only.
    Outcome handleLine(const QString& line);

    // The storing half of a line: raw save, parse, gate, price and store.
    // The caller publishes the priced call afterwards (REPORT batches do so
    // only after their transaction committed).
    Outcome storeLine(const QString& line, std::optional<PricedCall>& priced);
    // The showing half: list row and the hotel hook.
    void publish(const PricedCall& call);

private:
    void saveRawLine(const QString& line);

    CommControl& m_port;
    CCallRater& m_engine;
    ReceivedCallsModel& m_calls;
    ReportLines& m_report;
    LineAssembler m_assembler;
    CCdrSet m_raw;
    bool m_saveRaw = false;
    bool m_reportMode = false;
    bool m_rawFailureShown = false;
    int m_holds = 0;
    QString m_heldInput;
};

} // namespace qalor
