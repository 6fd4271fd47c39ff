#pragma once

#include "format/Money.h"
#include "reports/DetailQuery.h"

namespace qalor {

class CDatabase;

// How many calls a detail query selects and what they come to, the bill's
// last line: each call's amount as the bill shows it, added in cents.
//
// Calls with the same three stored amounts come to the same cents, so the
// data source hands over each distinct set of amounts once with its number
// of calls; the rounding stays here, where it is the same on every back end.
struct DetailTotal
{
    qint64 count = 0;
    Money total;

    // db == nullptr: the shared connection. Ignores the query's page limit.
    static DetailTotal of(const DetailQuery& query, CDatabase* db = nullptr);
};

} // namespace qalor
