// LinuxPlatformImpl: child processes through fork and exec of /bin/sh, their capture by
// poll(2), process replacement, and the search roots of the whole-disk search.
#include "native/launcher/linux/Platform.h"

#include "base/Handles.h"
#include "base/LauncherException.h"
#include "base/SystemError.h"
#include "native/launcher/linux/Console.h"
#include "native/launcher/linux/PlatformTexts.h"
#include "native/launcher/linux/Signals.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Larger pipes mean fewer wake-ups for a child that writes a lot; the kernel may refuse.
constexpr int kPipeSize = 1 << 20;
// After the child has ended, a descendant that keeps the pipes open is read for at most
// this long without delivering anything.
constexpr int kDrainIdleMilliseconds = 1000;
// Without a way to wait for the child in poll(2), its end is checked this often.
constexpr int kExitCheckMilliseconds = 10;

// What a child reports through its error pipe when it cannot get as far as the shell.
enum class ChildStage : int { WorkingDirectory = 1, Redirect = 2 };
struct ChildFailure {
  ChildStage stage;
  int error;
};

bool makePipe(Pipe &pipe) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0)
    return false;
  pipe.readEnd.reset(fds[0]);
  pipe.writeEnd.reset(fds[1]);
  return true;
}

// Only async-signal-safe calls from here to the exec: the child is a copy of a process
// whose other state (allocator locks, stdio buffers) must not be touched.
[[noreturn]] void failInChild(int reportFd, ChildStage stage, int exitCode) {
  const ChildFailure failure{stage, errno};
  [[maybe_unused]] const ssize_t written = ::write(reportFd, &failure, sizeof failure);
  ::_exit(exitCode);
}

// A descriptor that can be polled for the child's end (Linux 5.3 and later), or none.
UniqueFd openProcessFd(pid_t pid) {
#ifdef SYS_pidfd_open
  return UniqueFd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
#else
  (void)pid;
  return UniqueFd();
#endif
}

// The launcher's terminal while the launcher holds its foreground, so that a child can be
// given the terminal for the time it runs and the launcher can take it back afterwards, as
// a shell does; -1 otherwise.
int foregroundTerminal() {
  if (::isatty(STDIN_FILENO) && ::tcgetpgrp(STDIN_FILENO) == ::getpgrp())
    return STDIN_FILENO;
  return -1;
}

// Hands the terminal's foreground to a process group. A process outside the foreground
// group would be stopped by SIGTTOU for this, so the signal waits meanwhile.
void setForeground(int terminal, pid_t group) {
  sigset_t ttou, previous;
  ::sigemptyset(&ttou);
  ::sigaddset(&ttou, SIGTTOU);
  ::sigprocmask(SIG_BLOCK, &ttou, &previous);
  ::tcsetpgrp(terminal, group);
  ::sigprocmask(SIG_SETMASK, &previous, nullptr);
}

// One captured stream of the child; what it read goes to the sink at the end.
struct Stream {
  UniqueFd fd;
  SString *sink;
  CaptureBuffer buffer;
};

// The child's end: its wait status once it has ended.
class ChildWatch {
public:
  ChildWatch(pid_t pid, int terminal)
      : pid_(pid), terminal_(terminal), pidFd_(openProcessFd(pid)) {}

  // Collects the status without waiting; true once the child has ended. A child stopped
  // from the terminal stops the launcher too, and both go on together.
  bool poll() {
    if (ended_)
      return true;
    int status = 0;
    const pid_t got = retryOnEintr([&] { return ::waitpid(pid_, &status, WNOHANG | WUNTRACED); });
    if (got < 0)
      throw LauncherException(systemErrorMessage(platformtext::kWaitFailed));
    if (got == 0)
      return false;
    if (WIFSTOPPED(status)) {
      followStop();
      return false;
    }
    status_ = status;
    ended_ = true;
    pidFd_.reset();
    return true;
  }
  bool ended() const { return ended_; }
  int status() const { return status_; }
  // The descriptor that becomes readable when the child ends; -1 when there is none.
  int fd() const { return ended_ ? -1 : pidFd_.get(); }

private:
  void followStop() {
    if (terminal_ < 0)
      return;
    setForeground(terminal_, ::getpgrp());
    ::kill(::getpid(), SIGTSTP);
    // Continued: the child gets the terminal back and goes on as well.
    setForeground(terminal_, pid_);
    ::kill(-pid_, SIGCONT);
  }

  pid_t pid_;
  int terminal_;
  UniqueFd pidFd_;
  bool ended_ = false;
  int status_ = 0;
};

int millisecondsUntil(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

// Waits for the child, reading its streams while it runs and draining them after its end.
// Kills its whole process group when the time limit passes.
int superviseChild(ChildWatch &child, std::vector<Stream> &streams, const CommandOptions &options,
                   pid_t group) {
  for (Stream &stream : streams)
    ::fcntl(stream.fd.get(), F_SETFL, ::fcntl(stream.fd.get(), F_GETFL) | O_NONBLOCK);
  const bool limited = options.timeoutSeconds > 0;
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(options.timeoutSeconds);
  bool killed = false;
  bool forwarded = false;
  // Once the child has ended: when the streams last delivered something (or the end).
  Clock::time_point lastActivity;
  const auto drainLeft = [&] {
    return millisecondsUntil(lastActivity + std::chrono::milliseconds(kDrainIdleMilliseconds));
  };

  // The child's end is looked for once at the start, then whenever its descriptor says it
  // ended (or, without one, at every pass).
  bool checkChild = true;
  for (;;) {
    if (checkChild && !child.ended() && child.poll())
      lastActivity = Clock::now();
    const bool ended = child.ended();
    const bool open = std::any_of(streams.begin(), streams.end(),
                                  [](const Stream &stream) { return bool(stream.fd); });
    if (ended && (!open || drainLeft() == 0))
      break;

    std::vector<pollfd> fds;
    for (const Stream &stream : streams)
      fds.push_back({stream.fd ? stream.fd.get() : -1, POLLIN, 0});
    const int childFd = child.fd();
    fds.push_back({childFd, POLLIN, 0});
    fds.push_back({child.ended() ? -1 : terminationNotifier(), POLLIN, 0});
    int timeout = -1;
    if (ended)
      timeout = drainLeft();
    else if (childFd < 0)
      timeout = kExitCheckMilliseconds;
    if (limited && !killed) {
      const int left = millisecondsUntil(deadline);
      timeout = timeout < 0 ? left : std::min(timeout, left);
    }
    if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR)
      throw LauncherException(systemErrorMessage(platformtext::kWaitFailed));

    // Only the streams that have something (or have reached their end) are read.
    for (std::size_t i = 0; i < streams.size(); ++i) {
      Stream &stream = streams[i];
      if (!stream.fd || fds[i].revents == 0)
        continue;
      const int got = stream.sink ? readChunk(stream.fd.get(), stream.buffer)
                                  : readChunk(stream.fd.get(), nullptr);
      if (got > 0)
        lastActivity = Clock::now();
      else if (got == 0)
        stream.fd.reset();
    }
    checkChild = childFd < 0 || fds[streams.size()].revents != 0;
    // A termination signal goes on to the child's whole group; a second SIGINT ends it.
    if (fds.back().revents != 0)
      drainTerminationNotifier();
    if (const int signalNumber = pendingTerminationSignal(); signalNumber != 0 && !child.ended()) {
      if (!forwarded)
        ::kill(-group, signalNumber);
      forwarded = true;
      if (interruptCount() >= 2)
        ::kill(-group, SIGKILL);
    }
    if (limited && !killed && !child.ended() && millisecondsUntil(deadline) == 0) {
      ::kill(-group, SIGKILL);
      killed = true;
      checkChild = true;
      if (options.timedOut)
        *options.timedOut = true;
    }
  }
  return child.status();
}

} // namespace

int LinuxPlatformImpl::runCommand(const SString &command, const CommandOptions &options) {
  // Once the run has been asked to end, nothing new is started.
  throwIfTerminationRequested();
  std::vector<Stream> streams;
  Pipe output, error;
  if (options.capture) {
    if (!makePipe(output) || !makePipe(error))
      throw LauncherException(systemErrorMessage(platformtext::kPipeFailed));
    ::fcntl(output.writeEnd.get(), F_SETPIPE_SZ, kPipeSize);
    ::fcntl(error.writeEnd.get(), F_SETPIPE_SZ, kPipeSize);
  }
  const bool redirect = options.capture && options.redirect;
  Pipe report;
  if (!makePipe(report))
    throw LauncherException(systemErrorMessage(platformtext::kForkFailed));
  UniqueFd input;
  if (options.inputFromNull)
    input.reset(retryOnEintr([] { return ::open("/dev/null", O_RDONLY | O_CLOEXEC); }));
  const int terminal = options.inputFromNull ? -1 : foregroundTerminal();

  // Everything the child needs is made before the fork.
  const char *const argv[] = {"/bin/sh", "-c", command.cStr(), nullptr};
  const char *directory =
      options.workingDirectory.isEmpty() ? nullptr : options.workingDirectory.cStr();
  sigset_t all, previous;
  ::sigfillset(&all);
  // A child that writes to the console starts on a line of its own, after any dots.
  if (!redirect)
    endProgressLine();
  std::fflush(nullptr);
  // Signals wait until the child has set itself up; it then gets the mask of before.
  ::sigprocmask(SIG_BLOCK, &all, &previous);
  const pid_t pid = ::fork();
  if (pid == 0) {
    // A process group of its own, so that a signal or a time limit reaches everything the
    // command starts, and the terminal's foreground while it runs.
    ::setpgid(0, 0);
    if (terminal >= 0)
      ::tcsetpgrp(terminal, ::getpid());
    restoreDefaultTerminationSignals();
    ::sigprocmask(SIG_SETMASK, &previous, nullptr);
    if (directory && ::chdir(directory) != 0)
      failInChild(report.writeEnd.get(), ChildStage::WorkingDirectory, 127);
    if (redirect && (::dup2(output.writeEnd.get(), STDOUT_FILENO) < 0 ||
                     ::dup2(error.writeEnd.get(), STDERR_FILENO) < 0))
      failInChild(report.writeEnd.get(), ChildStage::Redirect, 127);
    if (input)
      ::dup2(input.get(), STDIN_FILENO);
    ::execv(argv[0], const_cast<char *const *>(argv));
    // As a shell that could not be run at all.
    ::_exit(255);
  }
  const int forkError = errno;
  if (pid > 0) {
    ::setpgid(pid, pid);
    if (terminal >= 0)
      setForeground(terminal, pid);
  }
  ::sigprocmask(SIG_SETMASK, &previous, nullptr);
  if (pid < 0) {
    errno = forkError;
    throw LauncherException(systemErrorMessage(platformtext::kForkFailed));
  }

  output.writeEnd.reset();
  error.writeEnd.reset();
  report.writeEnd.reset();
  ChildWatch child(pid, terminal);
  // The error pipe closes at the exec; anything read from it is a failure before the shell.
  ChildFailure failure{};
  const ssize_t reported =
      retryOnEintr([&] { return ::read(report.readEnd.get(), &failure, sizeof failure); });
  if (reported == static_cast<ssize_t>(sizeof failure)) {
    retryOnEintr([&] { return ::waitpid(pid, nullptr, 0); });
    if (terminal >= 0)
      setForeground(terminal, ::getpgrp());
    errno = failure.error;
    if (failure.stage == ChildStage::WorkingDirectory)
      throw LauncherException(systemErrorMessage(
          (platformtext::kWorkingDirectoryFailed + options.workingDirectory + " ").cStr()));
    throw LauncherException(systemErrorMessage(platformtext::kRedirectFailed));
  }

  if (options.capture) {
    streams.push_back({std::move(output.readEnd), options.standardOutput, CaptureBuffer()});
    streams.push_back({std::move(error.readEnd), options.standardError, CaptureBuffer()});
  }
  int status = 0;
  try {
    status = superviseChild(child, streams, options, pid);
    for (const Stream &stream : streams)
      if (stream.sink)
        stream.buffer.appendTo(*stream.sink);
  } catch (...) {
    if (terminal >= 0)
      setForeground(terminal, ::getpgrp());
    throw;
  }
  if (terminal >= 0)
    setForeground(terminal, ::getpgrp());
  // The child has had the signal and has ended; now the run ends too.
  throwIfTerminationRequested();
  // The shell's exit code; a shell ended by a signal gives 0.
  return (status & 0xFF00) >> 8;
}

void LinuxPlatformImpl::replaceProcess(const StringDeque &arguments) {
  if (arguments.count() == 0)
    return;
  std::vector<const char *> argv;
  for (const SString &argument : arguments)
    argv.push_back(argument.cStr());
  argv.push_back(nullptr);
  std::fflush(nullptr);
  ::execvp(argv[0], const_cast<char *const *>(argv.data()));
}

void LinuxPlatformImpl::getSearchRoots(StringDeque &roots) {
  roots.add("/");
}

namespace {
Platform *&replacementPlatform() {
  static Platform *replacement = nullptr;
  return replacement;
}
} // namespace

Platform &platform() {
  static LinuxPlatformImpl real;
  Platform *replacement = replacementPlatform();
  return replacement ? *replacement : real;
}

void setPlatformForTesting(Platform *replacement) {
  replacementPlatform() = replacement;
}
