// How the tool ends on SIGINT, SIGTERM and SIGHUP (ctrl-c, `kill`, a
// terminal that closes). A process that is making a copy (a move to another
// file system, a copy, an undo's move back) cuts the copy short, which
// leaves nothing behind, lets the run or the undo record it as any failure,
// and then ends with the signal's status (see stopStatus); any other ends at
// once by the signal, as it would without a handler. `olva run` installs
// its own handlers, which end its loop.
#pragma once

#include <string>

namespace olva {

// For the program, before its command runs. A stop signal the program was
// started with ignored (by nohup, or as a background job of a script) stays
// ignored.
void installStopSignals();

// Whether the signal is ignored now, as it may be from the program's start.
bool signalIgnored(int signal);

// The exit status of a process that a signal stopped: 128 + its number.
constexpr int stopStatus(int signal) { return 128 + signal; }

}  // namespace olva
