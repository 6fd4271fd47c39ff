#pragma once

#include "maintenance/IntakeHold.h"

namespace qalor {

class CQalorView;

// Holds the main view's call intake for the call-table maintenance; the main
// frame installs it for its lifetime.
class ViewIntakeHold : public IntakeHold
{
public:
    explicit ViewIntakeHold(CQalorView& view);
    ~ViewIntakeHold() override;

    void hold() override;
    void release() override;

private:
    CQalorView& m_view;
};

} // namespace qalor
