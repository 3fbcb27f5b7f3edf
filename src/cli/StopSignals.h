#pragma once

#include <atomic>

namespace trajetix::cli {

// SIGINT and SIGTERM ask the run to stop after the line in work: the first one sets the
// flag and records which signal came; a second one of the same kind has its default
// effect, for a request that hangs until its time-out.
void catchStopSignals();

const std::atomic_bool &stopRequested();
// The signal that asked for the stop (SIGINT or SIGTERM); 0 while none has come.
int stopSignal();
// The exit status of a process ended by that signal's stop: 128 + its number (130, 143).
int exitStatusForStop();

} // namespace trajetix::cli
