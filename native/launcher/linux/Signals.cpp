// Termination signals: a handler that records the signal and wakes the launcher up.
#include "native/launcher/linux/Signals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr int kTerminationSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile sig_atomic_t pendingSignal = 0;
volatile sig_atomic_t interrupts = 0;
// The write end is written by the handler, the read end polled by the child's supervision.
int notifier[2] = {-1, -1};

void onTerminationSignal(int signalNumber) {
  const int savedErrno = errno;
  if (pendingSignal == 0)
    pendingSignal = signalNumber;
  if (signalNumber == SIGINT)
    interrupts = interrupts + 1;
  if (notifier[1] >= 0) {
    [[maybe_unused]] const ssize_t written = ::write(notifier[1], "", 1);
  }
  errno = savedErrno;
}
} // namespace

void installTerminationHandlers() {
  if (notifier[0] < 0 && ::pipe2(notifier, O_CLOEXEC | O_NONBLOCK) != 0)
    notifier[0] = notifier[1] = -1;
  struct sigaction action {};
  action.sa_handler = onTerminationSignal;
  ::sigemptyset(&action.sa_mask);
  // No SA_RESTART: a blocking read (the prompt) returns, so that the run can stop.
  for (const int signalNumber : kTerminationSignals)
    ::sigaction(signalNumber, &action, nullptr);
  // A console that went away (a pipe closed by its reader) must not kill the launcher before
  // it has cleaned up: the write fails instead.
  ::signal(SIGPIPE, SIG_IGN);
}

int pendingTerminationSignal() {
  return pendingSignal;
}

int interruptCount() {
  return interrupts;
}

int terminationNotifier() {
  return notifier[0];
}

void drainTerminationNotifier() {
  char buffer[64];
  while (notifier[0] >= 0 && ::read(notifier[0], buffer, sizeof buffer) > 0) {
  }
}

void throwIfTerminationRequested() {
  if (pendingSignal != 0)
    throw TerminationRequested(pendingSignal);
}

void restoreDefaultTerminationSignals() {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  ::sigemptyset(&action.sa_mask);
  for (const int signalNumber : kTerminationSignals)
    ::sigaction(signalNumber, &action, nullptr);
  // An ignored signal would stay ignored in the program the child runs.
  ::sigaction(SIGPIPE, &action, nullptr);
}

void resetTerminationForTesting() {
  pendingSignal = 0;
  interrupts = 0;
  drainTerminationNotifier();
}
