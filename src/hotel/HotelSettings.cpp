#include "hotel/HotelSettings.h"

#include "prompt/Prompt.h"
#include "db/sets/CHotalSetSet.h"

namespace qalor {

bool HotelSettings::load(HotelSettings& settings)
{
    bool read = false;
    runGuarded(QStringLiteral("Unknown Error in HotalSetSet!"), [&] {
        CHotalSetSet set;
        set.open();
        if (set.isEOF())
            return;
        using C = CHotalSetSet;
        settings.viaModem = set.integer(C::ViaModem);
        settings.autoChange = set.integer(C::AutoChange);
        settings.userName = set.text(C::UserName);
        settings.password = set.text(C::Password);
        settings.internationalClass = set.integer(C::InternationalClass);
        settings.domesticClass = set.integer(C::DomesticClass);
        settings.localClass = set.integer(C::LocalClass);
        settings.lowestClass = set.integer(C::LowestClass);
        settings.modemPort = set.integer(C::ModemPort);
        settings.internationalCode = set.text(C::InternationalCode);
        settings.domesticCode = set.text(C::DomesticCode);
        settings.localCode = set.text(C::LocalCode);
        settings.defaultCode = set.text(C::DefaultCode);
        settings.database = set.text(C::Database);
        read = true;
    });
    return read;
}

} // namespace qalor
