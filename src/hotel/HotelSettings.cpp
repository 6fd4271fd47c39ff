#include "hotel/HotelSettings.h"

#include "db/sets/CHotalSetSet.h"
#include "prompt/Prompt.h"

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

bool HotelSettings::save(const HotelSettings& settings)
{
    return runGuarded(QStringLiteral("Unknown Error in HotalSetSet!"), [&] {
        CHotalSetSet set;
        set.open();
        if (set.isEOF()) {
            set.addNew();
        } else {
            set.moveFirst();
            set.edit();
        }
        using C = CHotalSetSet;
        set.setValue(C::ViaModem, settings.viaModem ? 1 : 0);
        set.setValue(C::AutoChange, settings.autoChange ? 1 : 0);
        set.setValue(C::UserName, settings.userName);
        set.setValue(C::Password, settings.password);
        set.setValue(C::InternationalClass, settings.internationalClass);
        set.setValue(C::DomesticClass, settings.domesticClass);
        set.setValue(C::LocalClass, settings.localClass);
        set.setValue(C::LowestClass, settings.lowestClass);
        set.setValue(C::ModemPort, settings.modemPort);
        set.setValue(C::InternationalCode, settings.internationalCode);
        set.setValue(C::DomesticCode, settings.domesticCode);
        set.setValue(C::LocalCode, settings.localCode);
        set.setValue(C::DefaultCode, settings.defaultCode);
        set.setValue(C::Database, settings.database);
        try {
            set.update();
        } catch (...) {
            set.cancelUpdate();
            throw;
        }
    });
}

} // namespace qalor
