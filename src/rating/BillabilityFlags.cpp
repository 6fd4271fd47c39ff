#include "rating/BillabilityFlags.h"

#include "prompt/OpenOrReport.h"
#include "prompt/Prompt.h"
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

bool BillabilityFlags::loadCodes(CRecordSet& set, CodeFlags& flags, const CodeTableTexts& texts)
{
    flags.loaded = true;
    bool loaded = false;
    runGuarded(texts.unknownError, [&] {
        if (!openOrReport(set, texts.cannotOpen))
            return;
        if (set.isEOF()) {
            set.close();
            Prompt::inform(texts.empty);
            loaded = texts.emptyLoads;
            return;
        }
        flags.fill(set, texts.codeColumn, texts.flagColumn);
        set.close();
        loaded = true;
    });
    return loaded;
}

bool BillabilityFlags::LoadCallerCos()
{
    static const CodeTableTexts texts{QStringLiteral("FALT OPEN 'callercosset' table!"),
                                      QStringLiteral("No records in callercos table."),
                                      QStringLiteral("Loading CALLERCOS TABLE, Unknown Error."),
                                      true,
                                      CCallerCosSet::Cos,
                                      CCallerCosSet::Billed};
    CCallerCosSet set;
    return loadCodes(set, callerCos, texts);
}

bool BillabilityFlags::LoadTrunkGroups()
{
    // An empty trunk-group table fails: the record that needed it is
    // rejected, later ones find every group billable.
    static const CodeTableTexts texts{QStringLiteral("FALT OPEN '中继组表' table!"),
                                      QStringLiteral("No records in 中继组表 table."),
                                      QStringLiteral("When Loading 中继组 TABLE, Unknown Error."),
                                      false,
                                      CSelectTrunkSet::TrunkGroup,
                                      CSelectTrunkSet::Billed};
    CSelectTrunkSet set;
    return loadCodes(set, trunkGroups, texts);
}

} // namespace qalor
