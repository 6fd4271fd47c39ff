#include "app/CallIntake.h"

#include "app/AppState.h"
#include "prompt/Prompt.h"
#include "app/ReceivedCallsModel.h"
#include "app/ReportLines.h"
#include "hotel/AutoClassChange.h"
#include "intake/CdrParser.h"
#include "serial/CommControl.h"
#include "serial/SerialCommControl.h"

namespace qalor {

namespace {
// The canonical record's start time and trace number.
constexpr int StartTimePos = 26;
constexpr int TracePos = 0;
} // namespace

CallIntake::CallIntake(CommControl& port, CCallRater& engine, ReceivedCallsModel& calls, ReportLines& report,
                       QObject* parent)
    : QObject(parent), m_port(port), m_engine(engine), m_calls(calls), m_report(report)
{
    connect(&m_port, &CommControl::comm, this, &CallIntake::receive);
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

void CallIntake::drain()
{
    QStringList lines;
    try {
        // The control hands out at most InputLen characters per read: take
        // everything it holds, then work through every line it completed.
        for (QString chunk = m_port.input(); !chunk.isEmpty(); chunk = m_port.input())
            m_heldInput += chunk;
        if (m_holds > 0)
            return;
        lines = m_assembler.feed(m_heldInput);
        m_heldInput.clear();
    } catch (const std::bad_alloc&) {
        Prompt::inform(Prompt::outOfMemoryText());
        return;
    }
    for (const QString& line : std::as_const(lines)) {
        if (m_reportMode) {
            m_report.collect(line);
            m_calls.noteReportLine();
            continue;
        }
        // Whatever goes wrong with one line ends that line only; nothing may
        // leave the receive event. A field-order error does not reset the
        // port either: that would drop calls already on their way and could
        // join the start of one line to the end of a later one.
        runGuarded(QStringLiteral("Unknown Error while handling a received CDR line."),
                   [&] { handleLine(line); });
    }
}

CallIntake::Outcome CallIntake::handleLine(const QString& line)
{
    std::optional<PricedCall> priced;
    const Outcome outcome = storeLine(line, priced);
    if (priced)
        publish(*priced);
    return outcome;
}

CallIntake::Outcome CallIntake::storeLine(const QString& line, std::optional<PricedCall>& priced)
{
    priced.reset();
    if (m_saveRaw)
        saveRawLine(line);

    QString record;
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
    if (m_engine.AccrueHotelCharge(call.caller, call.charge + call.surcharge) != 1)
        return;
    if (!AppState::instance().hotel.autoChange)
        return;
    if (AutoClassChange* change = AutoClassChange::installed())
        change->lowerToDefault(call.caller);
}

void CallIntake::saveRawLine(const QString& line)
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
            m_raw.setValue(CCdrSet::Line, line);
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
