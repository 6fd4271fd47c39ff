#include "intake/CdrParser.h"

#include "prompt/Prompt.h"
#include "intake/CdrLayout.h"
#include "intake/CodeText.h"
#include "intake/ICodeFilter.h"

namespace qalor {

namespace {

// Slots of the PBX's CDR output that the canonical record is built from.
enum Slot {
    TraceSlot = 0,
    CallTypeSlot = 1,
    RecordCodeSlot = 2,
    DateSlot = 5,
    StartSlot = 6,
    EndSlot = 7,
    CallingSlot = 10,
    CallingAttendantSlot = 11,
    ClassOfServiceSlot = 14,
    TrunkGroupSlot = 21,
    DialledSlot = 24,
    CallerIdSlot = 26,
};

const QString NoNumber = QStringLiteral("----");

// The characters of the line from pos on, at most count of them; characters
// past the end of a short line are simply absent.
QString take(const QString& line, qsizetype pos, qsizetype count)
{
    if (pos < 0 || count <= 0 || pos >= line.size())
        return {};
    return line.mid(pos, count);
}

// A field is followed by its separator, which must be a space.
bool separatorAt(const QString& line, qsizetype pos)
{
    return pos >= 0 && pos < line.size() && line.at(pos) == QLatin1Char(' ');
}

// One pass over a line; pos walks the line, the record grows behind it.
class Cutter
{
public:
    Cutter(const QString& line, QString& record, ICodeFilter& filter)
        : m_line(line), m_record(record), m_filter(filter)
    {
    }

    int run(const QList<CdrLayoutEntry>& entries)
    {
        for (qsizetype slot = 0; slot < entries.size(); ++slot) {
            const CdrLayoutEntry& entry = entries.at(slot);
            // The place slot 10 takes in the record is where a calling
            // extension read from slot 26 belongs, whether or not the PBX
            // prints slot 10 itself.
            if (slot == CallingSlot)
                m_insertAt = m_record.size();
            if (entry.output <= 0)
                continue;
            if (!field(int(slot), qMax(0, entry.width)))
                return 0;
        }
        return 1;
    }

private:
    // Handles one printed field; false ends the parse with result 0.
    bool field(int slot, int width)
    {
        const qsizetype step = qsizetype(width) + 1;
        switch (slot) {
        case TraceSlot:
        case CallTypeSlot:
        case RecordCodeSlot:
        case DateSlot:
        case EndSlot:
        case DialledSlot:
            return copy(step, slot == TraceSlot);
        case StartSlot:
            if (take(m_line, m_pos, width) == QLatin1String("000000") && !m_traced)
                return false;
            return copy(step, false);
        case CallingSlot:
            if (take(m_line, m_pos, width) != NoNumber) {
                m_numberSeen = true;
                m_record += take(m_line, m_pos, step);
            } else {
                m_insertAt = m_record.size();
            }
            m_pos += step;
            return true;
        case CallingAttendantSlot:
            if (!m_numberSeen) {
                if (take(m_line, m_pos, width) == NoNumber) {
                    if (!m_traced)
                        m_insertAt = m_record.size();
                } else {
                    m_numberSeen = true;
                    m_record += take(m_line, m_pos, step);
                }
            }
            m_pos += step;
            return true;
        case CallerIdSlot:
            if (!m_numberSeen) {
                if (take(m_line, m_pos, 4) == NoNumber) {
                    if (!m_traced)
                        return false;
                } else {
                    m_record.insert(m_insertAt, take(m_line, m_pos + 3, 4) + QLatin1Char(' '));
                }
            }
            m_pos += step;
            return true;
        case ClassOfServiceSlot:
            if (!m_filter.ensureCallerCosLoaded())
                return false;
            if (!m_filter.callerCosBillable(readLeadingNumber(take(m_line, m_pos, width))) && !m_traced)
                return false;
            return skipChecked(step);
        case TrunkGroupSlot:
            if (!m_filter.ensureTrunkGroupsLoaded())
                return false;
            if (!m_filter.trunkGroupBillable(readLeadingNumber(take(m_line, m_pos, width))) && !m_traced)
                return false;
            return skipChecked(step);
        default:
            m_pos += step;
            return true;
        }
    }

    bool copy(qsizetype step, bool setsTrace)
    {
        m_record += take(m_line, m_pos, step);
        if (!skipChecked(step))
            return false;
        if (setsTrace)
            m_traced = m_record.left(4) > QLatin1String("0000");
        return true;
    }

    bool skipChecked(qsizetype step)
    {
        m_pos += step;
        if (separatorAt(m_line, m_pos - 1))
            return true;
        m_record = fieldOrderErrorText();
        return false;
    }

    const QString& m_line;
    QString& m_record;
    ICodeFilter& m_filter;
    qsizetype m_pos = 0;
    qsizetype m_insertAt = 0;
    bool m_traced = false;
    bool m_numberSeen = false;
};

} // namespace

CdrParser::CdrParser(CdrLayout& layout, ICodeFilter& filter) : m_layout(layout), m_filter(filter) {}

int CdrParser::preproccdr(const QString& line, QString& record)
{
    int result = 0;
    runGuarded(QStringLiteral("Unknown Error in preproccdr function!"), [&] {
        if (!m_layout.isLoaded() && !m_layout.load())
            Prompt::inform(QStringLiteral("falt when loading cdrsetting set."));
        record.clear();
        if (m_layout.entries().isEmpty())
            return;
        result = Cutter(line, record, m_filter).run(m_layout.entries());
    });
    return result;
}

} // namespace qalor
