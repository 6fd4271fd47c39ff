#pragma once

namespace qalor {

class CommControl;

// Opens the CDR port when it is closed; a port that will not open, or that
// waits for its device, is reported with its device and the reason, and the
// program goes on. True when the port is open (also while it waits).
bool openCdrPort(CommControl& port);

} // namespace qalor
