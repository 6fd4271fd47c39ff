#include "rating/BillabilityFlags.h"

#include "app/OpenOrReport.h"
#include "app/Prompt.h"
#include "db/sets/CCallTypeSet.h"
#include "db/sets/CCallerCosSet.h"
#include "db/sets/CSelectTrunkSet.h"

namespace qalor {

void CodeFlags::fill(CRecordSet& set, int codeColumn, int flagColumn)
{
    for (set.moveFirst(); !set.isEOF(); set.moveNext()) {
        const int code = set.integer(codeColumn);
        if (code >= 0 && code < size())
            m_flags[code] = set.integer(flagColumn);
    }
}

bool BillabilityFlags::LoadCallTypes()
{
    bool loaded = false;
    // The mark is set at every ordinary end of the attempt; after an error
    // while reading, the next call tries again.
    runGuarded(QStringLiteral("查呼叫类型表出错!"), [&] {
        CCallTypeSet set;
        const bool opened = openOrReport(set, QStringLiteral("打开呼叫类型表失败,程序可能无法正常运行."));
        callTypes.loaded = true;
        if (!opened)
            return;
        if (set.recordCount() > callTypes.size()) {
            set.close();
            Prompt::inform(QStringLiteral("呼叫类型表定义错误,类型数量不为12,程序无法正常运行."));
            return;
        }
        callTypes.fill(set, CCallTypeSet::CallType, CCallTypeSet::Billed);
        set.close();
        loaded = true;
    });
    return loaded;
}

bool BillabilityFlags::LoadCallerCos()
{
    callerCos.loaded = true;
    bool loaded = false;
    runGuarded(QStringLiteral("Loading CALLERCOS TABLE, Unknown Error."), [&] {
        CCallerCosSet set;
        if (!openOrReport(set, QStringLiteral("FALT OPEN 'callercosset' table!")))
            return;
        if (set.isEOF())
            Prompt::inform(QStringLiteral("No records in callercos table."));
        callerCos.fill(set, CCallerCosSet::Cos, CCallerCosSet::Billed);
        set.close();
        loaded = true;
    });
    return loaded;
}

bool BillabilityFlags::LoadTrunkGroups()
{
    trunkGroups.loaded = true;
    bool loaded = false;
    runGuarded(QStringLiteral("When Loading 中继组 TABLE, Unknown Error."), [&] {
        CSelectTrunkSet set;
        if (!openOrReport(set, QStringLiteral("FALT OPEN '中继组表' table!")))
            return;
        if (set.isEOF()) {
            set.close();
            Prompt::inform(QStringLiteral("No records in 中继组表 table."));
            return;
        }
        trunkGroups.fill(set, CSelectTrunkSet::TrunkGroup, CSelectTrunkSet::Billed);
        set.close();
        loaded = true;
    });
    return loaded;
}

} // namespace qalor
