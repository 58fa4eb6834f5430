// Runs a program as a child process and captures what it writes, for process-level tests.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

struct ProcessResult {
  int status = -1; // exit status, or 128 + signal number
  std::string out;
  std::string err;
};

struct ProcessOptions {
  std::string workingDirectory;         // empty: the test's own
  std::vector<std::string> environment; // NAME=VALUE entries set for the child
  std::vector<std::string> unsetVariables;
  std::string input; // written to the child's standard input
  std::string argv0; // empty: the program path
  // The largest file the child may write, in bytes (0: no limit); beyond it a write fails
  // with EFBIG, as SIGXFSZ is ignored.
  long long fileSizeLimit = 0;
};

// A child started by startProcess; wait collects its output and status.
class RunningProcess {
public:
  RunningProcess(pid_t pid, int out, int err) : pid_(pid), out_(out), err_(err) {}
  RunningProcess(const RunningProcess &) = delete;
  RunningProcess &operator=(const RunningProcess &) = delete;
  ~RunningProcess();

  pid_t pid() const { return pid_; }
  void signal(int signalNumber) const;
  // Reads both streams to their end and waits for the child.
  ProcessResult wait();

private:
  pid_t pid_;
  int out_;
  int err_;
  bool waited_ = false;
};

RunningProcess startProcess(const std::string &program, const std::vector<std::string> &arguments,
                            const ProcessOptions &options = {});
ProcessResult runProcess(const std::string &program, const std::vector<std::string> &arguments,
                         const ProcessOptions &options = {});

// Waits until done() holds, for at most the given seconds; done()'s last answer.
template <class Done> bool waitUntil(Done done, int seconds = 10);

// The first executable file of that name in the directories of PATH, or empty.
std::string findOnPath(const std::string &program);

// The built launcher stub, build/bin/qglaunch.
std::string launcherStubPath();

#include <chrono>
#include <thread>

template <class Done> bool waitUntil(Done done, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline)
      return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}
