#include "station/EditorReload.h"

#include "rating/CCallRater.h"

#include <QDateTime>

namespace qalor {

void reloadAfterConfirm(CCallRater& engine, AfterConfirm action)
{
    switch (action) {
    case AfterConfirm::Nothing:
        break;
    case AfterConfirm::ReloadRates:
        engine.LoadRates();
        break;
    case AfterConfirm::ReloadRate31:
        engine.LoadRate31();
        break;
    case AfterConfirm::ClearTimeBandsMark:
        engine.clearTimeDiscountsMark();
        break;
    case AfterConfirm::ReloadHolidays:
        engine.LoadHolidayDiscounts(QDateTime::currentDateTime());
        break;
    case AfterConfirm::ReloadWeekdays:
        engine.LoadWeekdayDiscounts(DiscountCalculator::dayOfWeek(QDate::currentDate()));
        break;
    case AfterConfirm::ClearCallTypesMark:
        engine.clearCallTypesMark();
        break;
    case AfterConfirm::ClearCallerCosMark:
        engine.clearCallerCosMark();
        break;
    case AfterConfirm::ClearTrunkGroupsMark:
        // The next call reads the trunk flags again. The port stays open as
        // it was: a closed serial line drops what the exchange prints, and
        // nothing reopened it afterwards, so intake stopped without a word.
        engine.clearTrunkGroupsMark();
        break;
    case AfterConfirm::ReloadAlertRules:
        engine.reloadAlertRules();
        break;
    }
}

} // namespace qalor
