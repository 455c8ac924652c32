#pragma once

#include <csignal>

namespace tarvolen {

// The signals that ask a run of the command line to end (Ctrl-C, a terminal that went
// away, a kill or a timeout), and the one flag their handler sets.

// The first of them asks the reading or writing to stop cleanly; the handler then
// falls back to the default, so a second one ends the process at once.
void CatchInterrupts();
// From here on they end the process as usual.
void DefaultInterrupts();

// The flag the handler sets: the signal that asked the run to end, 0 while none has.
// The progress line reports it as a Cancel.
const volatile std::sig_atomic_t* InterruptFlag();
bool Interrupted();

// As a shell reports a process that a signal ended: 128 + the signal.
int InterruptedStatus();

}  // namespace tarvolen
