#pragma once

namespace qalor {

class CallIntake;
class CommControl;

// Takes the CDR port for the program before its intake starts: opens it on
// the number without a word, so that the line's lock decides at once whether
// this program reads it. False when another program (a workstation or a
// collector) reads it; a device that is not there yet is waited for.
bool takeCdrPort(CommControl& port, int number);

// Arms the CDR port for intake: it takes the number, the buffer sizes and the
// receive threshold of one CDR line, and opens (a port that will not open is
// reported once and the program goes on). A port already open on another
// number is closed first, what it holds going into the journal; one open on
// the same number stays open (its lock is kept, and what it holds are calls).
// The workstation's view and the collector arm their ports alike.
void armCdrPort(CommControl& port, CallIntake& intake, int number, int lineLength);

} // namespace qalor
