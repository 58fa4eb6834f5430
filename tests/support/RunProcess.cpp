// Child processes for process-level tests.
#include "tests/support/RunProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void makePipe(int fds[2]) {
  if (::pipe2(fds, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");
}

} // namespace

std::string findOnPath(const std::string &program) {
  const char *path = std::getenv("PATH");
  for (std::string rest = path ? path : ""; !rest.empty();) {
    const std::size_t colon = rest.find(':');
    const std::string directory = rest.substr(0, colon);
    const std::string candidate = (directory.empty() ? "." : directory) + "/" + program;
    rest = colon == std::string::npos ? "" : rest.substr(colon + 1);
    if (::access(candidate.c_str(), X_OK) == 0)
      return candidate;
  }
  return "";
}

std::string launcherStubPath() {
  return std::string(QG_BIN_DIR) + "/qglaunch";
}

RunningProcess startProcess(const std::string &program, const std::vector<std::string> &arguments,
                            const ProcessOptions &options) {
  int outPipe[2], errPipe[2], inPipe[2];
  makePipe(outPipe);
  makePipe(errPipe);
  makePipe(inPipe);

  std::vector<std::string> argvStrings;
  argvStrings.push_back(options.argv0.empty() ? program : options.argv0);
  argvStrings.insert(argvStrings.end(), arguments.begin(), arguments.end());
  std::vector<char *> argv;
  for (auto &a : argvStrings)
    argv.push_back(a.data());
  argv.push_back(nullptr);

  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0)
    throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::dup2(inPipe[0], 0);
    ::dup2(outPipe[1], 1);
    ::dup2(errPipe[1], 2);
    if (!options.workingDirectory.empty() && ::chdir(options.workingDirectory.c_str()) != 0)
      ::_exit(126);
    for (const auto &name : options.unsetVariables)
      ::unsetenv(name.c_str());
    for (const auto &entry : options.environment) {
      const auto eq = entry.find('=');
      ::setenv(entry.substr(0, eq).c_str(), entry.substr(eq + 1).c_str(), 1);
    }
    if (options.fileSizeLimit > 0) {
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{static_cast<rlim_t>(options.fileSizeLimit),
                         static_cast<rlim_t>(options.fileSizeLimit)};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  ::close(inPipe[0]);
  ::signal(SIGPIPE, SIG_IGN);
  if (!options.input.empty()) {
    [[maybe_unused]] ssize_t written =
        ::write(inPipe[1], options.input.data(), options.input.size());
  }
  ::close(inPipe[1]);
  return RunningProcess(pid, outPipe[0], errPipe[0]);
}

RunningProcess::~RunningProcess() {
  if (!waited_)
    wait();
}

void RunningProcess::signal(int signalNumber) const {
  ::kill(pid_, signalNumber);
}

ProcessResult RunningProcess::wait() {
  waited_ = true;
  ProcessResult result;
  pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
  std::string *sinks[2] = {&result.out, &result.err};
  int open = 2;
  while (open > 0) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR)
        continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
        continue;
      char buffer[4096];
      const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

ProcessResult runProcess(const std::string &program, const std::vector<std::string> &arguments,
                         const ProcessOptions &options) {
  return startProcess(program, arguments, options).wait();
}
