#include "platform/stop_signals.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t deferring = 0;
volatile std::sig_atomic_t pending = 0;

// Only async-signal-safe calls here: the signal may come in the middle of anything.
void onStopSignal(int signalNumber) {
    if (!deferring) {
        std::signal(signalNumber, SIG_DFL);
        std::raise(signalNumber);
        return;
    }
    pending = signalNumber;
}

}  // namespace

void catchStopSignals() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted reads and waits carry on: in deferred mode the signal is acted on between
    // frames, not through a failed call somewhere inside a library.
    action.sa_flags = SA_RESTART;
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        // One ignored by whoever started the demo (nohup, a script's background job) stays
        // ignored: that was asked for.
        struct sigaction inherited;
        if (sigaction(signalNumber, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN)
            continue;
        sigaction(signalNumber, &action, nullptr);
    }
}

void deferStopSignals() { deferring = 1; }

int pendingStopSignal() { return pending; }

void endBySignal(int signalNumber) {
    std::signal(signalNumber, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signalNumber);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    std::raise(signalNumber);
    // Not reached unless something blocks the default action; end all the same.
    std::_Exit(128 + signalNumber);
}
