// Runs a program as a child process and captures what it writes, for process-level tests.
#pragma once

#include <string>
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
};

ProcessResult runProcess(const std::string &program, const std::vector<std::string> &arguments,
                         const ProcessOptions &options = {});

// The first executable file of that name in the directories of PATH, or empty.
std::string findOnPath(const std::string &program);

// The built launcher stub, build/bin/qglaunch.
std::string launcherStubPath();
