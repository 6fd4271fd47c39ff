#pragma once

namespace qalor {

class CallIntake;
class CommControl;

// Arms the CDR port for intake: what the port holds goes into the journal
// before it closes, then it takes the number, the buffer sizes and the
// receive threshold of one CDR line, and opens (a port that will not open is
// reported once and the program goes on). The workstation's view and the
// collector arm their ports alike.
void armCdrPort(CommControl& port, CallIntake& intake, int number, int lineLength);

} // namespace qalor
