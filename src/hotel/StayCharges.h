#pragma once

#include "format/Money.h"

namespace qalor {

// A stay's telephone charges as its bills and the check-out print them: the
// calls (电话费), the service fee at the stay's ratio (服务费), computed once
// from the shown calls amount, and their sum (合计), which always adds up.
struct StayCharges
{
    Money calls;
    Money service;

    Money total() const { return calls + service; }

    static StayCharges at(Money calls, float serviceRatio) { return {calls, calls.times(serviceRatio)}; }
};

} // namespace qalor
