#include "maintenance/IntakeHold.h"

namespace qalor {

namespace {
IntakeHold*& current()
{
    static IntakeHold* hold = nullptr;
    return hold;
}
} // namespace

void IntakeHold::install(IntakeHold* hold)
{
    current() = hold;
}

IntakeHold* IntakeHold::installed()
{
    return current();
}

IntakeHold::Scope::Scope() : m_hold(current())
{
    if (m_hold)
        m_hold->hold();
}

IntakeHold::Scope::~Scope()
{
    // Released on the hold taken, even if another was installed meanwhile.
    if (m_hold)
        m_hold->release();
}

} // namespace qalor
