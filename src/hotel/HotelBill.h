#pragma once

#include "format/Money.h"
#include "print/ReportDocument.h"

#include <QDate>
#include <QList>
#include <QString>

namespace qalor {

// The settled stay a bill is made out for.
struct HotelStay
{
    QString extension;
    QString checkInDate; // yymmdd
    QString checkInTime; // hhmmss
    QString checkOutDate;
    QString checkOutTime;
    QString room;
    QString guest;
    Money accrued; // 结帐金额
    float serviceRatio = 0;
};

// One stored call as the itemised list prints it.
struct BilledCall
{
    QString caller;
    QString called;
    QString date;
    QString time;
    float duration = 0;
    float rate = 0;
    float units = 0;
    float charge = 0;
    float serviceCharge = 0;
    float surcharge = 0;
    QString area;
};

// The two printouts of a guest's phone bill: the itemised list of the calls
// added to the stay (those its 结帐金额 holds, so the list adds up to it), and the one-page simple bill with
// three copies. Finding the stay and its calls reports why nothing can be printed; the builders only lay out
// pages.
class HotelBill
{
public:
    // The settled stay of the extension with the latest check-out.
    static bool findSettledStay(const QString& extension, HotelStay& stay);
    // The calls added to the stay while it was open, in time order; false
    // (after a message) when there are none.
    static bool loadCalls(const HotelStay& stay, QList<BilledCall>& calls);

    static ReportDocument itemisedList(const HotelStay& stay, const QList<BilledCall>& calls,
                                       const QString& guestName, const PageGeometry& page);
    static ReportDocument simpleBill(const HotelStay& stay, const QString& guestName,
                                     const QString& extension, const QString& room, const QDate& today,
                                     const PageGeometry& page);

    static QString callLine(const BilledCall& call);
};

} // namespace qalor
