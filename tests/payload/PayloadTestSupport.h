// Shared set-up of the payload tests: a scoped directory that holds every temporary file,
// a captured console and a log file, all reset after each test.
#pragma once

#include "base/Handles.h"
#include "base/Log.h"
#include "native/launcher/linux/Console.h"
#include "payload/TempFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <unistd.h>

// Keeps an environment variable as it was before the test.
class SavedVariable {
public:
  explicit SavedVariable(const char *name) : name_(name) {
    if (const char *value = std::getenv(name))
      value_ = value;
  }
  SavedVariable(const SavedVariable &) = delete;
  SavedVariable &operator=(const SavedVariable &) = delete;
  ~SavedVariable() {
    if (value_)
      ::setenv(name_, value_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

private:
  const char *name_;
  std::optional<std::string> value_;
};

class PayloadTest : public ::testing::Test {
protected:
  void SetUp() override {
    ::setenv("TMPDIR", dir.path().c_str(), 1);
    resetTempFilesForTesting();
    setTempRoot(SString(dir.path()));
    resetLogForTesting();
    setLogFile(SString(dir.file("launcher.log")));
    console.reset(std::tmpfile());
    resetConsoleForTesting(console.get(), stdin);
  }
  void TearDown() override {
    removeTempFiles();
    resetTempFilesForTesting();
    resetConsoleForTesting();
    resetLogForTesting();
  }

  std::string logText() const { return readFile(dir.file("launcher.log")); }
  std::string consoleText() const {
    std::fflush(console.get());
    std::rewind(console.get());
    std::string text;
    for (int c; (c = std::fgetc(console.get())) != EOF;)
      text += static_cast<char>(c);
    return text;
  }

  SavedVariable savedTmpdir{"TMPDIR"};
  TempDir dir;
  UniqueFile console;
};

// Runs the test body inside a directory and goes back to the old one afterwards.
class WorkingDirectory {
public:
  explicit WorkingDirectory(const std::string &path) {
    char buffer[4096];
    if (::getcwd(buffer, sizeof buffer))
      saved_ = buffer;
    if (::chdir(path.c_str()) != 0)
      ADD_FAILURE() << "cannot enter " << path;
  }
  WorkingDirectory(const WorkingDirectory &) = delete;
  WorkingDirectory &operator=(const WorkingDirectory &) = delete;
  ~WorkingDirectory() {
    if (!saved_.empty() && ::chdir(saved_.c_str()) != 0)
      ADD_FAILURE() << "cannot return to " << saved_;
  }

private:
  std::string saved_;
};
