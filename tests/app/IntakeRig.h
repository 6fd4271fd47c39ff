#pragma once

#include "FakeCommControl.h"

#include "rating/CCallRater.h"
#include "receiving/CallIntake.h"
#include "receiving/ReceivedCallsModel.h"
#include "receiving/ReportLines.h"
#include "station/AppState.h"

namespace qalor::test {

// The receive side as the view wires it, on a fake port that is armed and open.
struct Intake
{
    static constexpr int LineLength = 73;

    Intake() : intake(port, engine, calls, report)
    {
        port.setRThreshold(LineLength);
        port.setInputLen(LineLength);
        port.setPortOpen(true);
        intake.setLineLength(engine.cdrLineLength());
        intake.followHotelSettings(AppState::instance().hotel);
    }

    FakeCommControl port;
    CCallRater engine;
    ReceivedCallsModel calls;
    ReportLines report;
    CallIntake intake;
};

} // namespace qalor::test
