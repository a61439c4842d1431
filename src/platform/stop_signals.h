#pragma once

// Ctrl-C (SIGINT), SIGTERM and SIGHUP as a request to stop. Once caught, a signal ends the
// process at once, by that same signal, until deferStopSignals() is called: while nothing
// needs putting back, that is the quickest way out, even from a blocked read. After it the
// signal is only noted, for the program to act on when it next looks (pendingStopSignal).
// A signal that was ignored when the program started (nohup) stays ignored.
void catchStopSignals();
void deferStopSignals();

// The signal noted since deferStopSignals(); 0 when none has come.
int pendingStopSignal();

// Ends the process by signalNumber itself, so that the caller (a shell, a script) sees the
// interruption for what it is: a shell reports 128 + the signal's number.
[[noreturn]] void endBySignal(int signalNumber);
