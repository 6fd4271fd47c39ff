#include "receiving/CdrPort.h"

#include "prompt/Prompt.h"
#include "serial/CommControl.h"
#include "serial/SerialCommControl.h"

namespace qalor {

bool openCdrPort(CommControl& port)
{
    if (!port.portOpen())
        port.setPortOpen(true);
    // A device that is not there yet is waited for (the port stays open and
    // tries again); why it is not up is said here.
    if (port.portOpen() && (port.link() != CommControl::Link::Reconnecting || port.lastError().isEmpty()))
        return true;
    const int number = port.commPort();
    Prompt::inform(QStringLiteral("无法打开串口COM%1 (%2): %3")
                       .arg(number)
                       .arg(serialDeviceForPort(number), port.lastError()));
    return port.portOpen();
}

} // namespace qalor
