#include "hotel/ClassChangeJob.h"

#include "hotel/CLevelChanger.h"
#include "hotel/HotelSettings.h"

namespace qalor {

namespace {

constexpr int ModemSettleMs = 4000;      // after every dial string
constexpr int CheckInPerItemMs = 6500;   // the feature code of one room at check-in
constexpr int OtherPerItemMs = 6000;     // check-out and manual changes, plus one more
constexpr int BetweenExtensionsMs = 100; // after each edit block at check-in and by hand

int classNumber(int level, const HotelSettings& s)
{
    switch (level) {
    case 1:
        return s.localClass;
    case 2:
        return s.domesticClass;
    case 3:
        return s.internationalClass;
    default:
        return s.lowestClass;
    }
}

QString featureCode(int level, const HotelSettings& s)
{
    switch (level) {
    case 1:
        return s.localCode;
    case 2:
        return s.domesticCode;
    case 3:
        return s.internationalCode;
    default:
        return s.defaultCode;
    }
}

ClassChangeJob begin(const HotelSettings& settings)
{
    ClassChangeJob job;
    job.viaModem = settings.viaModem != 0;
    job.modemPort = settings.modemPort;
    return job;
}

} // namespace

ClassChangeJob ClassChangeJob::forChangeList(ChangeForm form, const QString& list,
                                             const HotelSettings& settings, const CLevelChanger& changer)
{
    ClassChangeJob job = begin(settings);
    const QList<ChangeEntry> entries = ChangeList::entries(form, list);
    for (const ChangeEntry& entry : entries)
        job.extensions << entry.extension;

    if (job.viaModem) {
        QString dial;
        for (const ChangeEntry& entry : entries) {
            dial += dial.isEmpty() ? QStringLiteral("atdt") : QStringLiteral(",,,");
            dial += featureCode(entry.level, settings) + changer.ToDialNumber(entry.extension);
        }
        const int n = int(entries.size());
        const QString who = job.extensions.join(QLatin1Char(','));
        if (form == ChangeForm::CheckIn) {
            if (!dial.isEmpty())
                job.steps.append({dial + CLevelChanger::cr(), ModemSettleMs + n * CheckInPerItemMs, who});
        } else {
            // Sent even when empty: a bare carriage return.
            job.steps.append({dial + CLevelChanger::cr(), ModemSettleMs + (n + 1) * OtherPerItemMs, who});
        }
        return job;
    }

    job.steps = CLevelChanger::LoginPbx(settings.userName, settings.password, settings.database);
    for (const ChangeEntry& entry : entries) {
        if (form == ChangeForm::CheckOut) {
            job.steps += CLevelChanger::SetStationClass(entry.extension, settings.lowestClass);
        } else {
            job.steps += CLevelChanger::SetStationClass(entry.extension, classNumber(entry.level, settings));
            addPause(job.steps, BetweenExtensionsMs);
        }
    }
    job.steps += CLevelChanger::LogoutPbx();
    return job;
}

ClassChangeJob ClassChangeJob::forStation(const QString& extension, int level, const HotelSettings& settings,
                                          const CLevelChanger& changer)
{
    ClassChangeJob job = begin(settings);
    job.extensions << extension;
    level = CLevelChanger::normalizedLevel(quint16(level));
    if (job.viaModem) {
        job.steps.append({QStringLiteral("atdt") + featureCode(level, settings) +
                              changer.ToDialNumber(extension) + CLevelChanger::cr(),
                          ModemSettleMs, extension});
        return job;
    }
    job.steps = CLevelChanger::LoginPbx(settings.userName, settings.password, settings.database);
    job.steps += CLevelChanger::SetStationClass(extension, classNumber(level, settings));
    job.steps += CLevelChanger::LogoutPbx();
    return job;
}

int ClassChangeJob::totalPauseMs() const
{
    int total = 0;
    for (const SendStep& step : steps)
        total += step.pauseMs;
    return total;
}

} // namespace qalor
