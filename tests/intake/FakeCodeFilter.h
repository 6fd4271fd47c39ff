#pragma once

#include "intake/ICodeFilter.h"

#include <QList>
#include <QSet>

namespace qalor::test {

// Billability flags held in sets; records every code it was asked about.
class FakeCodeFilter : public ICodeFilter
{
public:
    bool ensureCallerCosLoaded() override { return cosLoads; }
    bool ensureTrunkGroupsLoaded() override { return groupLoads; }
    bool callerCosBillable(int cos) const override
    {
        askedCos << cos;
        return !unbilledCos.contains(cos);
    }
    bool trunkGroupBillable(int group) const override
    {
        askedGroups << group;
        return !unbilledGroups.contains(group);
    }

    bool cosLoads = true;
    bool groupLoads = true;
    QSet<int> unbilledCos;
    QSet<int> unbilledGroups;
    mutable QList<int> askedCos;
    mutable QList<int> askedGroups;
};

} // namespace qalor::test
