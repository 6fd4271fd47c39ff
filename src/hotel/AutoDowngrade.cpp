#include "hotel/AutoDowngrade.h"

#include "hotel/CLevelChanger.h"
#include "hotel/ClassChangeSender.h"
#include "hotel/HotelSettings.h"

namespace qalor {

AutoDowngrade::AutoDowngrade(ClassChangeSender& sender, const HotelSettings& settings)
    : m_sender(sender), m_settings(settings)
{
}

void AutoDowngrade::lowerToDefault(const QString& extension)
{
    m_sender.enqueue(ClassChangeJob::forStation(extension, 0, m_settings, CLevelChanger::fromTable()));
}

} // namespace qalor
