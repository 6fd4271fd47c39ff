#include "hotel/HotelSettingsForm.h"

#include "prompt/WholeNumber.h"

namespace qalor {

namespace {

constexpr int HighestClass = 225;
constexpr int LowestPort = 1;
constexpr int HighestPort = 3;

} // namespace

HotelSettingsForm HotelSettingsForm::from(const HotelSettings& s)
{
    HotelSettingsForm form;
    form.route = s.viaModem ? 1 : 0;
    form.autoChange = s.autoChange != 0;
    form.userName = s.userName;
    form.password = s.password;
    form.database = s.database;
    form.internationalClass = QString::number(s.internationalClass);
    form.domesticClass = QString::number(s.domesticClass);
    form.localClass = QString::number(s.localClass);
    form.lowestClass = QString::number(s.lowestClass);
    form.modemPort = QString::number(s.modemPort);
    form.internationalCode = s.internationalCode;
    form.domesticCode = s.domesticCode;
    form.localCode = s.localCode;
    form.defaultCode = s.defaultCode;
    return form;
}

bool HotelSettingsForm::parse(HotelSettings& s, QString& refusal) const
{
    HotelSettings out;
    if (database.size() > 1) {
        refusal = QStringLiteral("请键入不超过%1个字符。").arg(1);
        return false;
    }
    if (!readWholeNumber(internationalClass, 0, HighestClass, out.internationalClass, refusal) ||
        !readWholeNumber(domesticClass, 0, HighestClass, out.domesticClass, refusal) ||
        !readWholeNumber(localClass, 0, HighestClass, out.localClass, refusal) ||
        !readWholeNumber(lowestClass, 0, HighestClass, out.lowestClass, refusal) ||
        !readWholeNumber(modemPort, LowestPort, HighestPort, out.modemPort, refusal))
        return false;
    out.viaModem = route == 1 ? 1 : 0;
    out.autoChange = autoChange ? 1 : 0;
    out.userName = userName;
    out.password = password;
    out.database = database;
    out.internationalCode = internationalCode;
    out.domesticCode = domesticCode;
    out.localCode = localCode;
    out.defaultCode = defaultCode;
    s = out;
    return true;
}

} // namespace qalor
