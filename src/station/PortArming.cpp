#include "station/PortArming.h"

#include "receiving/CallIntake.h"
#include "receiving/CdrPort.h"
#include "serial/CommControl.h"

namespace qalor {

namespace {
constexpr int CdrInBufferSize = 16384;
} // namespace

bool takeCdrPort(CommControl& port, int number)
{
    if (!port.portOpen()) {
        port.setCommPort(number);
        // Nothing is read before the intake arms the port.
        port.setRThreshold(0);
        port.setPortOpen(true);
    }
    return !port.takenByOther();
}

void armCdrPort(CommControl& port, CallIntake& intake, int number, int lineLength)
{
    if (port.portOpen() && port.commPort() != number) {
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
