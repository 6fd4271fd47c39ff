#include "app/PortArming.h"

#include "intake/CallIntake.h"
#include "serial/CommControl.h"

namespace qalor {

namespace {
constexpr int CdrInBufferSize = 16384;
} // namespace

void armCdrPort(CommControl& port, CallIntake& intake, int number, int lineLength)
{
    if (port.portOpen()) {
        intake.takeIn();
        port.setPortOpen(false);
    }
    port.setCommPort(number);
    port.setInBufferSize(CdrInBufferSize);
    port.setRThreshold(lineLength);
    port.setSThreshold(1);
    port.setInputLen(lineLength);
    port.setRTSEnable(true);
    port.setDTREnable(true);
    intake.setLineLength(lineLength);
    openCdrPort(port);
}

} // namespace qalor
