#include "app/ViewIntakeHold.h"

#include "app/CQalorView.h"

namespace qalor {

ViewIntakeHold::ViewIntakeHold(CQalorView& view) : m_view(view)
{
    install(this);
}

ViewIntakeHold::~ViewIntakeHold()
{
    if (installed() == this)
        install(nullptr);
}

void ViewIntakeHold::hold()
{
    m_view.holdIntake();
}

void ViewIntakeHold::release()
{
    m_view.releaseIntake();
}

} // namespace qalor
