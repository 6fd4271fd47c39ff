#pragma once

namespace qalor {

struct RateMatch;

// The money side of one priced call (single precision, never rounded).
struct CallPrice
{
    float matchedRate = 0;   // price per unit (or per block) before discount
    float effectiveRate = 0; // the rate stored with the call
    float surchargeRate = 0;
    float charge = 0;
    float surcharge = 0;
    int units = 0; // the call's seconds in billing units of the rate entry, rounded up

    // Prices a call of the given seconds by its rate entry: the discount
    // factor lowers the rate, never the surcharge.
    static CallPrice byRate(const RateMatch& match, int seconds, float factor);
};

// Whole blocks of the given length needed to cover the seconds (a started
// block counts); 0 seconds need none. length must be at least 1.
int blocksCovering(int seconds, int length);

} // namespace qalor
