#include "rating/HotelRooms.h"

#include "prompt/Prompt.h"
#include "db/sets/CHotalSet.h"
#include "format/Money.h"

#include <QSqlError>

namespace qalor {

int HotelRooms::LoadHotelRooms()
{
    m_loaded = false;
    int result = 0;
    runGuarded(QStringLiteral("FAULT Loading HotalCost"), [&] {
        CHotalSet set;
        set.setFilter(QStringLiteral("是否已经结帐=0"));
        set.setSort(QStringLiteral("分机号"));
        // A register that cannot be read shows the driver's text (through
        // the guard): the stays it holds are not accrued until it loads.
        set.open();
        if (set.isEOF()) {
            set.close();
            return;
        }
        QList<HotelRoomEntry> rooms;
        for (set.moveFirst(); !set.isEOF(); set.moveNext()) {
            HotelRoomEntry room;
            room.extension = set.text(CHotalSet::Extension);
            room.accrued = Money::fromStored(set.single(CHotalSet::Accrued));
            room.deposit = Money::fromStored(set.single(CHotalSet::Deposit));
            room.depositReached = room.accrued >= room.deposit ? 1 : 0;
            rooms.append(room);
        }
        set.close();
        m_rooms = rooms;
        m_loaded = true;
        result = 1;
    });
    return result;
}

int HotelRooms::AccrueHotelCharge(const QString& extension, Money amount)
{
    for (qsizetype i = m_rooms.size() - 1; i >= 0; --i) {
        HotelRoomEntry& room = m_rooms[i];
        if (room.extension != extension)
            continue;
        room.accrued += amount;
        try {
            CDatabase& db = CDatabase::shared();
            QSqlQuery update =
                db.prepare(QStringLiteral("UPDATE 宾馆管理表 SET 结帐金额=") + FormatMoney(room.accrued) +
                           QStringLiteral(" where (是否已经结帐=0 AND 分机号=?)"));
            update.bindValue(0, extension);
            CDatabase::exec(update);
        } catch (...) {
            // The stored total catches up with the next call of the room.
        }
        if (room.accrued < room.deposit || room.depositReached == 1)
            return 0;
        room.depositReached = 1;
        return 1;
    }
    return -1;
}

} // namespace qalor
