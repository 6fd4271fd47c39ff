#include "rating/CCallRater.h"

#include "db/CDatabase.h"
#include "intake/CdrParser.h"
#include "intake/DataFolder.h"
#include "intake/JournalMark.h"
#include "prompt/Prompt.h"
#include "rating/CallPrice.h"
#include "rating/RefusedCalls.h"

namespace qalor {

namespace {
// Records priced from the journal per transaction.
constexpr qsizetype PendingBatch = 200;
} // namespace

QString CCallRater::pendingJournalPath()
{
    return dataFolder() + QStringLiteral("/pending-calls.journal");
}

CCallRater::CCallRater() : m_pending(pendingJournalPath())
{
    // A batch's rows wait in the writer; the alert checks read 话费表.
    m_alerts.setBeforeReading([this] { m_writer.flushBatch(); });
    try {
        m_writer.open();
    } catch (const DbError& error) {
        // The set is opened again by the first call that is stored.
        Prompt::inform(error.message());
    }
    try {
        CDatabase::shared().ensureOpen();
        JournalMark::ensureTable();
        AlertChecker::ensureTables();
        StayAccrual::ensureStayTables();
    } catch (const DbError&) {
    }
    if (!LoadLayout())
        Prompt::inform(QStringLiteral("无法设置CDR 输出字符串长度,程序无法正确计算话费!"));
    m_pendingWaiting = !m_pending.isEmpty();
    if (m_pendingWaiting)
        storePendingCalls();
}

CCallRater::~CCallRater()
{
    m_writer.close();
}

int CCallRater::preproccdr(const QString& line, QString& record)
{
    return CdrParser(m_layout, *this).preproccdr(line, record);
}

bool CCallRater::LoadLayout()
{
    m_layoutUnavailable = !m_layout.load();
    return !m_layoutUnavailable;
}

bool CCallRater::retryLayoutQuietly()
{
    const Prompt::Silence quiet;
    return LoadLayout();
}

int CCallRater::cdrLineLength() const
{
    return m_layout.lineLength();
}

CCallRater::Outcome CCallRater::priceRecord(const QString& record)
{
    const CallRecordFields call = CallRecordFields::read(record);
    if (!m_flags.callTypes.loaded && !m_flags.LoadCallTypes()) {
        Prompt::inform(QStringLiteral("Falt When Loading calltype set."));
        return Outcome::NotStored;
    }
    if (!m_flags.callTypes.billable(call.callType))
        return Outcome::NotStored;
    if (!call.moments) {
        // Noise on the line that still fits the layout: storing it under
        // some rolled-over date would bill a call that never was.
        Prompt::inform(QStringLiteral("CDR记录的日期或时间无效,该呼叫未计费:\n") + record.trimmed());
        return Outcome::NotStored;
    }

    RateMatch match;
    m_rates.LookupRate(call.called, match);
    const float factor = m_discounts.DiscountFactor(call.start, call.end, match.tariffClass);
    CallPrice price = CallPrice::byRate(match, call.seconds, factor);
    if (!m_rate31.isLoaded() && !m_rate31.LoadRate31())
        return Outcome::NotStored;
    if (m_rate31.present(match.tariffClass))
        m_rate31.ApplyRate31(match.tariffClass, call.seconds, factor, price);

    const Money billed = Money::fromStored(price.charge) + Money::fromStored(price.surcharge);
    int accrued = -1;
    // The row and the guest's charge are stored together or not at all: a
    // refused accrual rolls the call back with it (and the transaction it
    // belongs to), so the call waits to be priced again.
    const bool appended = runGuarded(QStringLiteral("failt in addnew to callcostset/n Unknown Error!"), [&] {
        CTransaction together(CDatabase::shared());
        m_writer.append(call, price, match);
        accrued = AccrueHotelCharge({call.caller, call.called, CallCostWriter::dateText(call.start.date),
                                     CallCostWriter::timeText(call.start.second), billed});
        together.commit();
    });
    if (!appended)
        return Outcome::AppendFailed;

    m_last.caller = call.caller;
    m_last.called = call.called;
    m_last.start = call.start;
    m_last.seconds = call.seconds;
    m_last.effectiveRate = price.effectiveRate;
    m_last.charge = price.charge;
    m_last.surcharge = price.surcharge;
    m_last.area = match.area;
    m_last.units = price.units;
    m_last.discountFactor = factor;
    m_last.depositReached = accrued == 1;
    // In the transaction that stores the call: rolled back with it.
    m_alerts.check({call.caller, call.called, call.start, call.seconds, m_last.billed()});
    return Outcome::Stored;
}

int CCallRater::PriceAndStore(const QString& record)
{
    m_lastAppendFailed = false;
    if (m_pricingPending) {
        // A call that arrives while the replay of waiting calls shows a
        // message (the message box runs the event loop) must not join the
        // replay's transaction, which may yet be rolled back: it waits
        // behind the others and is stored with them. Inside a transaction
        // (a line of the intake) the caller keeps it, and holds the line
        // when the journal cannot take it.
        m_lastAppendFailed = CDatabase::shared().inTransaction() || !keepPending(record);
        return 0;
    }
    const Outcome outcome = priceRecord(record);
    const bool inBatch = CDatabase::shared().inTransaction();
    if (outcome == Outcome::AppendFailed) {
        m_lastAppendFailed = true;
        if (!inBatch) {
            keepPending(record);
            reopenLostConnection();
        }
        return 0;
    }
    if (outcome == Outcome::NotStored)
        return 0;
    if (!inBatch && m_pendingWaiting && !m_pricingPending) {
        // The data source takes rows again: store what it refused before.
        const PricedCall shown = m_last;
        storePendingCalls();
        m_last = shown;
    }
    return 1;
}

void CCallRater::beginBatch()
{
    if (CDatabase::shared().inTransaction())
        m_writer.beginBatch();
}

bool CCallRater::finishBatch()
{
    return runGuarded(QStringLiteral("failt in addnew to callcostset/n Unknown Error!"),
                      [&] { m_writer.finishBatch(); });
}

void CCallRater::reopenLostConnection()
{
    CDatabase& db = CDatabase::shared();
    if (db.inTransaction() || !db.isOpen())
        return;
    try {
        db.execute(QStringLiteral("SELECT 1"));
    } catch (const DbError&) {
        db.close();
    }
}

bool CCallRater::keepPending(const QString& record, qint64 source, QString* failure)
{
    try {
        m_pending.append(record, source);
        m_pendingWaiting = true;
        return true;
    } catch (const std::exception& error) {
        if (failure)
            *failure = QString::fromLocal8Bit(error.what());
        else
            Prompt::inform(QString::fromLocal8Bit(error.what()));
        return false;
    }
}

void CCallRater::reportStoreFailure(const QString& text)
{
    if (!m_storeFailureTold)
        Prompt::inform(text);
    m_storeFailureTold = true;
}

int CCallRater::pendingCallCount() const
{
    return int(m_pending.lines().size());
}

int CCallRater::storePendingCalls()
{
    CDatabase& db = CDatabase::shared();
    if (m_pricingPending || db.inTransaction())
        return 0;
    QList<LineJournal::Entry> pending = m_pending.entries();
    if (pending.isEmpty()) {
        m_pendingWaiting = false;
        return 0;
    }
    m_pricingPending = true;
    int stored = 0;
    qsizetype done = 0;
    bool journalStuck = false;
    const QString identity = m_pending.identity();
    while (done < pending.size()) {
        const qsizetype count = qMin(PendingBatch, pending.size() - done);
        const qint64 last = pending.at(done + count - 1).number;
        QStringList reached; // stays whose deposit these calls reached
        int storedNow = 0;
        bool refused = false;
        qint64 refusedNumber = -1;
        qint64 storedThrough = -1;
        try {
            CTransaction transaction(db);
            // The data source's own mark says which of these it already
            // stored (the program ended between that commit and the journal
            // mark): those are never stored again.
            storedThrough = JournalMark::readSettled(identity);
            for (qsizetype i = 0; i < count && !refused; ++i) {
                const LineJournal::Entry& entry = pending.at(done + i);
                if (entry.number <= storedThrough)
                    continue;
                const Outcome outcome = priceRecord(entry.text);
                if (outcome == Outcome::AppendFailed)
                    refused = true, refusedNumber = entry.number;
                else if (outcome == Outcome::Stored) {
                    ++storedNow;
                    if (m_last.depositReached)
                        reached << m_last.caller;
                }
            }
            if (!refused) {
                JournalMark::write(identity, last);
                transaction.commit();
            }
        } catch (const DbError& error) {
            // Tried again every few seconds while the data source is full or away.
            reportStoreFailure(error.message());
            refused = true;
        }
        if (refused) {
            // Rolled back: the whole batch stays in the journal. When 话费表
            // takes rows and only this one is refused, the record is set
            // aside and the rest are tried again without it.
            if (refusedNumber < 0 || !callTableWritable() || !setAsidePending(refusedNumber, storedThrough))
                break;
            pending = m_pending.entries();
            done = 0;
            continue;
        }
        done += count;
        stored += storedNow;
        noteStored();
        try {
            // Calls journalled meanwhile stand behind these and stay.
            m_pending.dropThrough(last);
        } catch (const std::exception& error) {
            // The batch is stored and marked as stored in the data source,
            // which keeps it from being stored again; stop for now.
            Prompt::inform(QString::fromLocal8Bit(error.what()));
            journalStuck = true;
        }
        // Told once the calls that reached a deposit are committed.
        if (m_depositReached)
            for (const QString& extension : std::as_const(reached))
                m_depositReached(extension);
        if (journalStuck)
            break;
    }
    m_pendingWaiting = !journalStuck && !m_pending.isEmpty();
    if (!journalStuck && !m_pendingWaiting) {
        try {
            m_pending.clear(); // the file need not keep lines it has marked as gone
        } catch (const std::exception&) {
        }
    }
    m_pricingPending = false;
    return stored;
}

bool CCallRater::retryPendingCalls()
{
    if (!m_pendingWaiting)
        return true;
    if (m_pricingPending || CDatabase::shared().inTransaction())
        return false;
    {
        const Prompt::Silence quiet;
        try {
            CDatabase::shared().ensureOpen();
        } catch (const DbError&) {
            return false;
        }
        if (!callTableWritable())
            return false;
    }
    storePendingCalls();
    return !m_pendingWaiting;
}

bool CCallRater::callTableWritable()
{
    // A statement that writes nothing still needs the table and the right to
    // write it (and SQLite's write lock): it fails where every call would.
    try {
        CDatabase::shared().execute(QStringLiteral("DELETE FROM 话费表 WHERE 1=0"));
        return true;
    } catch (const DbError&) {
        reopenLostConnection();
        return false;
    }
}

bool CCallRater::setAsidePending(qint64 number, qint64 storedThrough)
{
    try {
        // Entries the data source has already stored are not carried over:
        // the rewrite numbers the rest anew, past the data source's mark.
        QStringList remaining;
        QString record;
        for (const LineJournal::Entry& entry : m_pending.entries(storedThrough)) {
            if (entry.number == number)
                record = entry.text;
            else
                remaining << entry.text;
        }
        RefusedCalls::setAside(record);
        m_pending.replace(remaining);
        Prompt::inform(RefusedCalls::message(record));
        return true;
    } catch (const std::exception& error) {
        Prompt::inform(QString::fromLocal8Bit(error.what()));
        return false;
    }
}

bool CCallRater::LoadRates()
{
    return m_rates.LoadRates();
}

bool CCallRater::LoadHolidayDiscounts(const QDateTime& day)
{
    return m_discounts.LoadHolidayDiscounts(day.date());
}

bool CCallRater::LoadWeekdayDiscounts(int dayOfWeek)
{
    return m_discounts.LoadWeekdayDiscounts(dayOfWeek);
}

bool CCallRater::LoadRate31()
{
    return m_rate31.LoadRate31();
}

bool CCallRater::LoadCallTypes()
{
    return m_flags.LoadCallTypes();
}

bool CCallRater::LoadCallerCos()
{
    return m_flags.LoadCallerCos();
}

bool CCallRater::LoadTrunkGroups()
{
    return m_flags.LoadTrunkGroups();
}

bool CCallRater::LoadTimeDiscounts()
{
    return m_discounts.LoadTimeDiscounts();
}

void CCallRater::clearCallTypesMark()
{
    m_flags.callTypes.loaded = false;
}

void CCallRater::clearCallerCosMark()
{
    m_flags.callerCos.loaded = false;
}

void CCallRater::clearTrunkGroupsMark()
{
    m_flags.trunkGroups.loaded = false;
}

void CCallRater::clearTimeDiscountsMark()
{
    m_discounts.clearTimeDiscountsMark();
}

bool CCallRater::ensureCallerCosLoaded()
{
    return m_flags.callerCos.loaded || m_flags.LoadCallerCos();
}

bool CCallRater::ensureTrunkGroupsLoaded()
{
    return m_flags.trunkGroups.loaded || m_flags.LoadTrunkGroups();
}

bool CCallRater::callerCosBillable(int cos) const
{
    return m_flags.callerCos.billable(cos);
}

bool CCallRater::trunkGroupBillable(int group) const
{
    return m_flags.trunkGroups.billable(group);
}

} // namespace qalor
