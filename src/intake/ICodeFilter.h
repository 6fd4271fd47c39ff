#pragma once

namespace qalor {

// The class-of-service and trunk-group billability flags the parser consults
// (held by the rating engine).
class ICodeFilter
{
public:
    virtual ~ICodeFilter() = default;
    // Load the flags if they are not loaded yet; false when that load failed.
    virtual bool ensureCallerCosLoaded() = 0;
    virtual bool ensureTrunkGroupsLoaded() = 0;
    // Codes outside the tables (including -1 for an empty field) are billable.
    virtual bool callerCosBillable(int cos) const = 0;
    virtual bool trunkGroupBillable(int group) const = 0;
};

} // namespace qalor
