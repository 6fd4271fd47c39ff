#include "hotel/AutoDowngrade.h"

#include "db/sets/CHotalSet.h"
#include "hotel/CLevelChanger.h"
#include "hotel/ClassChangeSender.h"
#include "hotel/HotelSettings.h"

namespace qalor {

AutoDowngrade::AutoDowngrade(ClassChangeSender& sender, const HotelSettings& settings)
    : m_sender(sender), m_settings(settings)
{
}

QString AutoDowngrade::reasonText(const QString& extension)
{
    QString room;
    // Only for the words on screen: a register that cannot be read leaves
    // the room out and the change still goes.
    try {
        CHotalSet stays;
        stays.setFilter(QStringLiteral("分机号=? and 是否已经结帐=0"), {extension});
        stays.open();
        if (!stays.isEOF()) {
            stays.moveFirst();
            room = stays.text(CHotalSet::Room).trimmed();
        }
        stays.close();
    } catch (...) {
    }
    if (room.isEmpty())
        return QStringLiteral("分机 %1 的押金已用完，正在降为最低级别……").arg(extension);
    return QStringLiteral("房间 %1（分机 %2）的押金已用完，正在降为最低级别……").arg(room, extension);
}

void AutoDowngrade::lowerToDefault(const QString& extension)
{
    ClassChangeJob job = ClassChangeJob::forStation(extension, 0, m_settings, CLevelChanger::fromTable());
    job.reason = reasonText(extension);
    m_sender.enqueue(job);
}

} // namespace qalor
