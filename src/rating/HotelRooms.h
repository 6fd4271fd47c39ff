#pragma once

#include "format/Money.h"

#include <QList>
#include <QString>

namespace qalor {

class CDatabase;

// An open stay of 宾馆管理表 as the engine keeps it.
struct HotelRoomEntry
{
    QString extension;
    Money accrued; // 结帐金额 as the bill shows it
    Money deposit;
    int depositReached = 0;
};

// The open hotel registrations and the running total of their charges.
class HotelRooms
{
public:
    // 1 when the list was refilled from the open stays; 0 when there are none
    // (the list keeps its entries and the loaded mark stays false) or the
    // table could not be read.
    int LoadHotelRooms();
    bool isLoaded() const { return m_loaded; }

    // Adds a call's amount to the extension's open stay and writes the running
    // total as money text. 1 when the charges have just reached the deposit,
    // 0 otherwise, -1 when the extension has no open stay. A failed write is
    // not reported; the running total in memory still grows.
    int AccrueHotelCharge(const QString& extension, Money amount);

    const QList<HotelRoomEntry>& rooms() const { return m_rooms; }

private:
    QList<HotelRoomEntry> m_rooms;
    bool m_loaded = false;
};

} // namespace qalor
