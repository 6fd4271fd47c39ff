#pragma once

// The call-processing engine. The main view and REPORT processing price and
// store calls through the public entries below; the parameter editors call
// the reload entries after their tables changed.

#include "format/Money.h"
#include "hotel/StayAccrual.h"
#include "intake/CdrLayout.h"
#include "intake/ICodeFilter.h"
#include "intake/LineJournal.h"
#include "rating/AlertChecker.h"
#include "rating/BillabilityFlags.h"
#include "rating/CallCostWriter.h"
#include "rating/CallRecordFields.h"
#include "rating/DiscountCalculator.h"
#include "rating/Rate31Table.h"
#include "rating/RateTable.h"

#include <QDateTime>
#include <functional>
#include <QString>

namespace qalor {

// The last priced call, read by the view after PriceAndStore returned 1.
struct PricedCall
{
    QString caller;  // calling extension
    QString called;  // dialled number
    CallMoment start; // shown "%Y-%m-%d" and "%H:%M:%S"
    int seconds = 0; // duration, shown "%H:%M:%S"
    float effectiveRate = 0;
    float charge = 0;
    float surcharge = 0;
    QString area;  // destination description
    int units = 0; // billing units stored with the call
    float discountFactor = 1;

    // The call brought the open stay of its extension to the deposit
    // (added in the call's own transaction).
    bool depositReached = false;

    // What the call adds to a guest's bill: its charge and surcharge as the
    // bill's lines show them.
    Money billed() const { return Money::fromStored(charge) + Money::fromStored(surcharge); }
};

// The call-processing engine: exactly one, owned by the main view.
class CCallRater : public ICodeFilter
{
public:
    CCallRater();
    ~CCallRater() override;

    // Parser (CDR layout and canonical record).
    int preproccdr(const QString& line, QString& record);
    bool LoadLayout();
    // The last layout load failed (the table could not be read, as when the
    // data source was away at start): no line can be cut.
    bool layoutUnavailable() const { return m_layoutUnavailable; }
    // Loads the layout again without messages; true when it is now there.
    bool retryLayoutQuietly();
    int cdrLineLength() const;

    // 1 when a row was appended to 话费表; 0 when the call is not billable,
    // its pricing stopped, or the row could not be stored.
    //
    // The intake calls it inside a transaction, both for a live line (the
    // transaction that also writes the line's mark) and for a REPORT batch.
    // There a record whose row could not be stored is NOT journalled here:
    // lastAppendFailed() says so, and the caller decides. The live line keeps
    // the record in the pending journal itself (keepPending, with the line's
    // position) and commits its mark; a batch rolls back and keeps its lines.
    // Called outside a transaction, a record whose row could not be stored
    // goes to the pending journal, and the journal is tried again after the
    // next row that is stored.
    int PriceAndStore(const QString& record);
    const PricedCall& lastCall() const { return m_last; }

    // A batch of calls inside one transaction (REPORT processing): their rows
    // are written several hundred to a statement instead of one by one.
    // finishBatch() writes what still waits, before the commit; false (the
    // driver's text shown) when the data source refused rows, and the caller
    // rolls the transaction back. discardBatch() ends a batch that is rolled
    // back. The live path never batches: each call is stored as it comes.
    void beginBatch();
    bool finishBatch();
    void discardBatch() { m_writer.discardBatch(); }
    // True when the last PriceAndStore returned 0 because its row could not
    // be appended to 话费表.
    bool lastAppendFailed() const { return m_lastAppendFailed; }

    // Prices and stores the records left in the pending journal, in batches of one
    // transaction each; a record leaves the journal once its batch is
    // committed. A record the data source refuses while 话费表 takes rows
    // is set aside (RefusedCalls) and the others are stored without it.
    // Calls stored this way are accrued to open hotel stays.
    // Returns how many were stored. Does nothing while a transaction is open
    // on the shared connection (call it before a batch begins).
    int storePendingCalls();
    // storePendingCalls when the data source takes rows again; while it does
    // not, nothing is shown. True when no call waits any more.
    bool retryPendingCalls();
    // After a row was refused outside a transaction: when the shared
    // connection itself is gone (the server restarted, the network broke),
    // closes it so that the next statement opens a fresh one.
    void reopenLostConnection();
    // A data source that keeps refusing to store (a full disk, a commit that
    // fails) is reported once, until a row is stored again.
    void reportStoreFailure(const QString& text);
    void noteStored() { m_storeFailureTold = false; }
    int pendingCallCount() const;
    static QString pendingJournalPath();
    // Keeps a record whose row could not be stored in the pending journal,
    // with the position in the received stream it came from (-1: none).
    // False when the journal could not be written: with failure given, the
    // reason goes there and nothing is shown (the caller keeps the record).
    bool keepPending(const QString& record, qint64 source = -1, QString* failure = nullptr);
    bool pendingWaiting() const { return m_pendingWaiting; }
    // The highest received-stream position a kept record came from.
    qint64 lastPendingSource() const { return m_pending.lastSource(); }

    // Adds a stored call to the open stay of its extension (in the current
    // transaction): 1 when the stay's charges have just reached its
    // deposit, 0 otherwise, -1 when the extension has no open stay. Every
    // call the engine stores goes through here before its transaction ends.
    int AccrueHotelCharge(const StayCall& call) { return m_stays.accrue(call); }
    // Told when a call stored by the engine on its own (a refused call
    // stored once the data source takes it) brings a stay's charges to its
    // deposit; the application lowers the extension's class as it does for
    // a call it stored itself.
    void setDepositReached(std::function<void(const QString& extension)> handler)
    {
        m_depositReached = std::move(handler);
    }

    // Every stored call is checked against the alert rules; the checker
    // tells who listens about each new alert (alertRaised).
    AlertChecker& alerts() { return m_alerts; }
    // After the rules or the user table were edited.
    void reloadAlertRules() { m_alerts.reload(); }

    // Reloads after a parameter editor closed with OK.
    bool LoadRates();
    bool LoadHolidayDiscounts(const QDateTime& day);
    bool LoadWeekdayDiscounts(int dayOfWeek); // 1 Sunday .. 7 Saturday
    bool LoadRate31();
    void clearCallTypesMark();
    void clearCallerCosMark();
    void clearTrunkGroupsMark();
    void clearTimeDiscountsMark();
    bool LoadCallTypes();
    bool LoadCallerCos();
    bool LoadTrunkGroups();
    bool LoadTimeDiscounts();

    // ICodeFilter
    bool ensureCallerCosLoaded() override;
    bool ensureTrunkGroupsLoaded() override;
    bool callerCosBillable(int cos) const override;
    bool trunkGroupBillable(int group) const override;

    // The engine's tables, for inspection.
    const CdrLayout& layout() const { return m_layout; }
    const RateTable& rates() const { return m_rates; }
    const BillabilityFlags& billability() const { return m_flags; }
    const Rate31Table& rate31() const { return m_rate31; }
    const DiscountCalculator& discounts() const { return m_discounts; }

private:
    enum class Outcome { Stored, NotStored, AppendFailed };
    Outcome priceRecord(const QString& record);
    bool callTableWritable();
    // Moves the pending record of that entry number to the refused calls,
    // dropping those the data source stored through storedThrough; false
    // (shown) when either file could not be written.
    bool setAsidePending(qint64 number, qint64 storedThrough);

    CdrLayout m_layout;
    bool m_layoutUnavailable = false;
    CallCostWriter m_writer;
    BillabilityFlags m_flags;
    RateTable m_rates;
    DiscountCalculator m_discounts;
    Rate31Table m_rate31;
    AlertChecker m_alerts;
    StayAccrual m_stays;
    std::function<void(const QString&)> m_depositReached;
    PricedCall m_last;
    LineJournal m_pending;
    bool m_pendingWaiting = false;
    bool m_pricingPending = false;
    bool m_lastAppendFailed = false;
    bool m_storeFailureTold = false;
};

} // namespace qalor
