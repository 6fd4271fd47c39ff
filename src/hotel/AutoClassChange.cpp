#include "hotel/AutoClassChange.h"

namespace qalor {

namespace {
AutoClassChange*& current()
{
    static AutoClassChange* change = nullptr;
    return change;
}
} // namespace

void AutoClassChange::install(AutoClassChange* change)
{
    current() = change;
}

AutoClassChange* AutoClassChange::installed()
{
    return current();
}

} // namespace qalor
