#include "run/interrupts.h"

#include "run/cli_options.h"

namespace tarvolen {

namespace {

// A signal handler can reach nothing else: this flag is the one piece of state that
// lives outside the Workspace.
volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void OnInterrupt(int signal) {
    gInterrupted = signal;
}

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

}  // namespace

// Without SA_RESTART a read or open that waits (an idle pipe, a FIFO without its
// reader) returns at the signal instead of waiting on.
void CatchInterrupts() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (int signal : kEndingSignals)
        sigaction(signal, &action, nullptr);
}

void DefaultInterrupts() {
    for (int signal : kEndingSignals)
        std::signal(signal, SIG_DFL);
}

const volatile std::sig_atomic_t* InterruptFlag() {
    return &gInterrupted;
}

bool Interrupted() {
    return gInterrupted != 0;
}

int InterruptedStatus() {
    return gInterrupted != 0 ? 128 + gInterrupted : kExitInterrupted;
}

}  // namespace tarvolen
