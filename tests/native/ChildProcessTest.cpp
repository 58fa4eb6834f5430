// Tests of child processes: the shell, capture, exit codes, failures, time limits, and the
// splitting of command lines for replace mode.
#include "native/launcher/linux/ChildProcess.h"

#include "base/LauncherException.h"
#include "native/launcher/linux/Console.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

class ChildProcessTest : public ::testing::Test {
protected:
  void SetUp() override {
    console_ = std::tmpfile();
    resetConsoleForTesting(console_);
  }
  void TearDown() override {
    resetConsoleForTesting();
    std::fclose(console_);
  }

  // Runs command with both streams captured; returns the exit code.
  int capture(const std::string &command, std::string *out = nullptr, std::string *err = nullptr,
              CommandOptions options = {}) {
    SString standardOutput, standardError;
    options.capture = true;
    options.redirect = true;
    options.standardOutput = &standardOutput;
    options.standardError = &standardError;
    const int code = runCommand(SString(command), options);
    if (out)
      *out = standardOutput.str();
    if (err)
      *err = standardError.str();
    return code;
  }

  std::string failure(const std::string &command, const CommandOptions &options) {
    try {
      runCommand(SString(command), options);
    } catch (const LauncherException &e) {
      return e.getMessage().str();
    }
    return "no error";
  }

  TempDir temp_;
  std::FILE *console_ = nullptr;
};

// Sends the process's own standard output to a file for as long as it lives.
class StdoutToFile {
public:
  explicit StdoutToFile(const std::string &path) {
    std::fflush(stdout);
    saved_ = ::dup(STDOUT_FILENO);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ::dup2(fd, STDOUT_FILENO);
    ::close(fd);
  }
  StdoutToFile(const StdoutToFile &) = delete;
  StdoutToFile &operator=(const StdoutToFile &) = delete;
  ~StdoutToFile() {
    std::fflush(stdout);
    ::dup2(saved_, STDOUT_FILENO);
    ::close(saved_);
  }

private:
  int saved_ = -1;
};

// True while the process named in pidFile runs; a zombie waiting for its parent counts as
// ended. A process just killed is given a moment to go.
bool processRuns(const std::string &pidFile) {
  const std::string text = readFile(pidFile);
  if (text.empty())
    return false;
  const std::string stat = "/proc/" + std::to_string(std::stoi(text)) + "/stat";
  for (int i = 0; i < 100; ++i) {
    const std::string fields = readFile(stat);
    const std::size_t close = fields.rfind(')');
    if (fields.empty() || close == std::string::npos || fields.substr(close + 2, 1) == "Z")
      return false;
    ::usleep(10000);
  }
  return true;
}

} // namespace

TEST_F(ChildProcessTest, CapturesBothStreamsWholeWhileTheChildRuns) {
  std::string out, err;
  // More than any pipe holds, on both streams at once, so that a parent that read one
  // stream only would block the child for ever.
  EXPECT_EQ(capture("head -c 3000000 /dev/zero | tr '\\0' a; "
                    "for i in 1 2 3; do echo line$i >&2; done; head -c 2000000 /dev/zero >&2",
                    &out, &err),
            0);
  EXPECT_EQ(out, std::string(3000000, 'a'));
  EXPECT_EQ(err.substr(0, 18), "line1\nline2\nline3\n");
  EXPECT_EQ(err.size(), 18u + 2000000u);
  // Every byte is kept, NUL bytes too.
  EXPECT_EQ(capture("printf 'a\\000b\\000'", &out), 0);
  EXPECT_EQ(out, std::string("a\0b\0", 4));
}

TEST_F(ChildProcessTest, ResultIsTheShellsExitCode) {
  struct Case {
    const char *command;
    int code;
  } cases[] = {
      {"exit 3", 3},
      {"true", 0},
      // A shell ended by a signal gives 0.
      {"kill -9 $$", 0},
      {"/nonexistent/program", 127},
      {"/dev/null", 126},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.command);
    EXPECT_EQ(capture(c.command), c.code);
    EXPECT_EQ(runCommand(SString(c.command), CommandOptions{}), c.code);
  }
}

TEST_F(ChildProcessTest, RunsInTheWorkingDirectoryOrRefusesAMissingOne) {
  std::string out;
  CommandOptions options;
  options.workingDirectory = SString(temp_.path());
  EXPECT_EQ(capture("pwd", &out, nullptr, options), 0);
  EXPECT_EQ(out, temp_.path() + "\n");

  options.workingDirectory = SString(temp_.file("missing"));
  const std::string marker = temp_.file("ran");
  EXPECT_EQ(failure("touch " + marker, options),
            "Error setting working directory: " + temp_.file("missing") +
                " No such file or directory");
  // The command never ran, and the launcher's own directory did not change.
  EXPECT_FALSE(std::filesystem::exists(marker));
  char here[4096];
  ASSERT_NE(::getcwd(here, sizeof here), nullptr);
  EXPECT_NE(std::string(here), temp_.file("missing"));
}

// Without capture the child writes to the launcher's own output; what the launcher had
// written before (progress dots held back by the console) comes first, on a line of its own.
// With no descriptors left, the pipes cannot be made: the system's text says why.
TEST_F(ChildProcessTest, APipeThatCannotBeMadeIsReported) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the sanitizers' own checks need descriptors while none are left";
#endif
  rlimit saved{};
  ::getrlimit(RLIMIT_NOFILE, &saved);
  const rlimit none{0, saved.rlim_max};
  ::setrlimit(RLIMIT_NOFILE, &none);
  CommandOptions options;
  options.capture = true;
  const std::string message = failure("true", options);
  ::setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_EQ(message, "Couldn't create either stdout or stderr pipe: Too many open files");
}

TEST_F(ChildProcessTest, WithoutCaptureOutputGoesToTheConsoleInOrder) {
  const std::string file = temp_.file("stdout");
  {
    resetConsoleForTesting(stdout);
    StdoutToFile redirected(file);
    stepProgress(1);
    EXPECT_EQ(runCommand(SString("echo child; exit 4"), CommandOptions{}), 4);
    resetConsoleForTesting(console_);
  }
  EXPECT_EQ(readFile(file), ".\nchild\n");
}

TEST_F(ChildProcessTest, EachChunkReadMakesItsProgressSteps) {
  std::string out;
  ASSERT_EQ(capture("head -c 10000 /dev/zero", &out), 0);
  EXPECT_EQ(out.size(), 10000u);
  // 10000 bytes are three reads of 4096 bytes or less; each step counts twice.
  EXPECT_GE(getProgress(), 6);
}

// A daemon started by the command that keeps the pipes open does not hold the launcher.
TEST_F(ChildProcessTest, ADescendantHoldingThePipesDoesNotHangTheLauncher) {
  const std::string pidFile = temp_.file("daemon.pid");
  std::string out;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(capture("sleep 30 & echo $! > " + pidFile + "; echo started", &out), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(out, "started\n");
  ::kill(std::stoi(readFile(pidFile)), SIGKILL);
}

TEST_F(ChildProcessTest, ATimeLimitKillsTheChildAndItsDescendants) {
  const std::string pidFile = temp_.file("descendant.pid");
  bool timedOut = false;
  CommandOptions options;
  options.timeoutSeconds = 1;
  options.timedOut = &timedOut;
  options.inputFromNull = true;
  std::string out;
  capture("sleep 60 & echo $! > " + pidFile + "; echo waiting; wait", &out, nullptr, options);
  EXPECT_TRUE(timedOut);
  EXPECT_EQ(out, "waiting\n");
  EXPECT_FALSE(processRuns(pidFile));

  timedOut = false;
  EXPECT_EQ(capture("exit 5", nullptr, nullptr, options), 5);
  EXPECT_FALSE(timedOut);
}

TEST_F(ChildProcessTest, InputFromNullReadsNothing) {
  std::string out;
  CommandOptions options;
  options.inputFromNull = true;
  EXPECT_EQ(capture("wc -c", &out, nullptr, options), 0);
  EXPECT_EQ(out, "0\n");
}

TEST(SplitCommandLine, QuotesAndBackslashes) {
  struct Case {
    const char *line;
    std::vector<std::string> arguments;
  } cases[] = {
      {"\"/opt/app/bin/run\" -x \"a b\" c\\\"d", {"/opt/app/bin/run", "-x", "a b", "c\"d"}},
      // The program keeps its backslashes; the others lose only those before a quote.
      {"C:\\x\\y a\\b \\\"q\\\"", {"C:\\x\\y", "a\\b", "\"q\""}},
      {"run \"\" x", {"run", "x"}},
      {"  \t run\r\n  ", {"run"}},
      {"", {}},
      // A quoted part inside an unquoted argument joins it.
      {"run a\"b c\"d", {"run", "ab cd"}},
      // An unterminated quote takes the rest of the line.
      {"run \"open to the end", {"run", "open to the end"}},
      {"run end\\", {"run", "end\\"}},
      {"\"a\"b", {"a", "b"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.line);
    CommandArguments arguments;
    EXPECT_TRUE(splitCommandLine(arguments, SString(c.line)));
    std::vector<std::string> got;
    for (int i = 0; i < arguments.count(); ++i)
      got.emplace_back(arguments.get(i));
    EXPECT_EQ(got, c.arguments);
    EXPECT_EQ(arguments.get(arguments.count()), nullptr);
    EXPECT_EQ(arguments.get(-1), nullptr);
  }
}

TEST(ReplaceMode, AProgramThatCannotStartReturnsZero) {
  EXPECT_EQ(runCommand(SString("/nonexistent/program -x"), SString(), false, false, nullptr,
                       nullptr, /*replace=*/true),
            0);
}
