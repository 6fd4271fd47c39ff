#pragma once

#include <QString>

namespace qalor {

// The automatic class change: lowers an extension to class 0 on the PBX when
// its guest's charges reach the deposit. The workstation installs the one that
// talks to the exchange; while none is installed, nothing is sent.
class AutoClassChange
{
public:
    virtual ~AutoClassChange() = default;
    virtual void lowerToDefault(const QString& extension) = 0;

    static void install(AutoClassChange* change);
    static AutoClassChange* installed();
};

} // namespace qalor
