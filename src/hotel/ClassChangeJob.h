#pragma once

#include "hotel/ChangeList.h"
#include "hotel/SendStep.h"

#include <QStringList>

namespace qalor {

class CLevelChanger;
struct HotelSettings;

// One class change as it goes to the exchange: on the CDR line (the
// administration dialogue) or on a modem opened on its own port for the time
// of the change, the writes and pauses in order.
struct ClassChangeJob
{
    bool viaModem = false;
    int modemPort = 0;
    SendSteps steps;
    QStringList extensions;
    // Why the change runs when nobody at the desk asked for it (shown while
    // it runs); empty for the changes a dialog hands over.
    QString reason;

    // What a dialog's change list sends by the route of the settings.
    static ClassChangeJob forChangeList(ChangeForm form, const QString& list, const HotelSettings& settings,
                                        const CLevelChanger& changer);
    // One extension changed at once (the automatic downgrade at the deposit).
    static ClassChangeJob forStation(const QString& extension, int level, const HotelSettings& settings,
                                     const CLevelChanger& changer);

    // Sum of the pauses: the least time the change takes.
    int totalPauseMs() const;
};

} // namespace qalor
