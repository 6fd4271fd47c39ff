#include "rating/CallPrice.h"

#include "rating/RateEntry.h"

namespace qalor {

int blocksCovering(int seconds, int length)
{
    if (seconds <= 0)
        return 0;
    return int((qint64(seconds) + length - 1) / length);
}

CallPrice CallPrice::byRate(const RateMatch& match, int seconds, float factor)
{
    CallPrice price;
    price.matchedRate = match.rate;
    price.surchargeRate = match.surchargeRate;
    price.units = blocksCovering(seconds, match.unit);
    price.effectiveRate = match.rate * factor;
    price.charge = float(price.units) * price.effectiveRate;
    price.surcharge = float(price.units) * match.surchargeRate;
    return price;
}

} // namespace qalor
