#pragma once

#include "db/sets/CStationChangeInfoSet.h"
#include "hotel/ChangeList.h"
#include "hotel/DialogStep.h"

namespace qalor {

// The work behind the manual class-change dialog: every extension entered
// goes into the change list and, at the moment it is entered, into
// 分机级别更改记录表 (whether or not the change later reaches the exchange).
class StationClassSession
{
public:
    // Opens the change log for appending; a log that cannot be opened is
    // passed over and nothing is logged.
    StationClassSession();

    // "下一个分机"
    DialogStep next(const QString& extension, const QString& levelText);
    // "确认/返回"
    DialogStep confirm(const QString& extension, const QString& levelText);

    const ChangeList& changeList() const { return m_list; }

private:
    void add(const QString& extension, const QString& levelText);

    ChangeList m_list;
    CStationChangeInfoSet m_log;
};

} // namespace qalor
