#pragma once

#include "hotel/AutoClassChange.h"

#include <QString>

namespace qalor {

class ClassChangeSender;
struct HotelSettings;

// The automatic downgrade at the deposit: queues a change of the extension
// to the lowest level by the route of the current settings. It waits behind
// a change already running and never holds up the call that triggered it.
class AutoDowngrade : public AutoClassChange
{
public:
    AutoDowngrade(ClassChangeSender& sender, const HotelSettings& settings);
    void lowerToDefault(const QString& extension) override;

    // What the progress window says: which room, and that its deposit is used up.
    static QString reasonText(const QString& extension);

private:
    ClassChangeSender& m_sender;
    const HotelSettings& m_settings;
};

} // namespace qalor
