#pragma once

// CONTRACT HEADER: the public entries below are what the main view and the
// REPORT processing call. The rating work fills in the private side (members,
// helper classes) and may add entries, but keeps these signatures.

#include "intake/CdrLayout.h"
#include "intake/ICodeFilter.h"

#include <QDateTime>
#include <QString>

namespace qalor {

// The last priced call, read by the view after PriceAndStore returned 1.
struct PricedCall
{
    QString caller;      // calling extension
    QString called;      // dialled number
    QDateTime start;     // shown "%Y-%m-%d" and "%H:%M:%S"
    int seconds = 0;     // duration, shown "%H:%M:%S"
    float effectiveRate = 0;
    float charge = 0;
    float surcharge = 0;
    QString area;        // destination description
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
    int cdrLineLength() const;

    // 1 when a row was appended to 话费表; 0 when the call is not billable,
    // its pricing stopped, or the row could not be stored (the record is then
    // kept in the pending journal and priced again later).
    int PriceAndStore(const QString& record);
    const PricedCall& lastCall() const;

    // Prices the records left in the pending journal; returns how many were stored.
    int PricePendingCalls();

    int LoadHotelRooms();
    bool hotelRoomsLoaded() const;
    // 1 when the room's charges have just reached its deposit, 0 otherwise,
    // -1 when the extension has no open stay.
    int AccrueHotelCharge(const QString& extension, float amount);

    // Reloads after a parameter editor closed with OK.
    bool LoadRates();
    bool LoadHolidayDiscounts(const QDateTime& day);
    bool LoadWeekdayDiscounts(int dayOfWeek); // 1 Sunday .. 7 Saturday
    bool LoadRate31();
    void clearCallTypesMark();
    void clearCallerCosMark();
    void clearTrunkGroupsMark();
    void clearTimeDiscountsMark();

    // ICodeFilter
    bool ensureCallerCosLoaded() override;
    bool ensureTrunkGroupsLoaded() override;
    bool callerCosBillable(int cos) const override;
    bool trunkGroupBillable(int group) const override;

private:
    // filled in by the rating work
};

} // namespace qalor
