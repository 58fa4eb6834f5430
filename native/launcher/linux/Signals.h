// Termination signals: SIGINT, SIGTERM and SIGHUP end a run in order. A child that runs is
// given the signal (its whole process group, so that the JVM below the shell gets it) and
// waited for; then, as when no child runs, the run stops, its temporary files are removed
// and the launcher exits with 128 + the signal number.
#pragma once

// Raised once a termination signal has arrived, at the next place the run can stop.
class TerminationRequested {
public:
  explicit TerminationRequested(int signalNumber) : signal_(signalNumber) {}
  int getSignal() const { return signal_; }
  // The exit status of a launcher ended by this signal.
  int exitStatus() const { return 128 + signal_; }

private:
  int signal_;
};

// Installs the handlers; the handler only records the signal. SIGPIPE is ignored.
void installTerminationHandlers();
// The first termination signal that arrived; 0 when none did.
int pendingTerminationSignal();
// How many SIGINTs arrived.
int interruptCount();
// A descriptor that becomes readable when a signal arrives, for poll; -1 before
// installTerminationHandlers.
int terminationNotifier();
// Empties the notifier after a wake-up.
void drainTerminationNotifier();
// Raises TerminationRequested when a termination signal has arrived.
void throwIfTerminationRequested();
// Puts the default dispositions back (SIGPIPE's too): for a forked child before its exec,
// where only async-signal-safe calls are allowed.
void restoreDefaultTerminationSignals();

// Forgets the signals that arrived, as at process start.
void resetTerminationForTesting();
