// Child processes: the one way the launcher starts a program. A command line runs through
// /bin/sh -c as a child process, optionally in another working directory and with its
// standard output and error captured; or the launcher's own process is replaced by a
// program.
//
// Pipe conventions: every descriptor the launcher opens is close-on-exec, so a child sees
// only its standard input, output and error. With capture, the child's output and error
// are the write ends of two pipes; the parent closes those ends right after the fork and
// reads both read ends until the child has ended and the pipes are drained, so that a child
// that writes a lot never blocks on a full pipe. Standard output is flushed before every
// fork, so nothing the launcher printed is written twice or overtaken by the child.
#pragma once

#include "base/Deque.h"
#include "base/SString.h"
#include "native/launcher/linux/CaptureBuffer.h"

#include <string>

// How runCommand runs a command line.
struct CommandOptions {
  // Empty: the launcher's current directory.
  SString workingDirectory;
  // Capture standard output and error into the strings below (appended to) while the child
  // runs. Without redirect the child keeps the launcher's own output and error.
  bool capture = false;
  bool redirect = false;
  SString *standardOutput = nullptr;
  SString *standardError = nullptr;
  // The child reads /dev/null instead of the launcher's standard input.
  bool inputFromNull = false;
  // After this many seconds (0: never) the child and everything it started are killed;
  // timedOut (when given) tells that it happened.
  int timeoutSeconds = 0;
  bool *timedOut = nullptr;
};

// Runs command through /bin/sh -c and waits for it. Returns the exit code of the shell:
// the command's exit code, 127 or 126 when the shell cannot find or run it, 0 when the
// shell was ended by a signal. Raises LauncherException with the system's error text after
// "Error setting working directory: DIR ", "Couldn't create either stdout or stderr pipe: ",
// "Error forking new process: ", "Error capturing stdout or stderr in new process: " or
// "Error waiting for child process: ".
int runCommand(const SString &command, const CommandOptions &options);

// The same with the arguments of the launcher's classic interface. In replace mode the
// command line is split by splitCommandLine and the process is replaced by the program
// (searched in PATH when it holds no "/"); that returns only when the program could not be
// started, and then returns 0.
int runCommand(const SString &command, const SString &workingDirectory, bool capture, bool redirect,
               SString *standardOutput, SString *standardError, bool replace);

// text as the shell reads it inside double quotes: a backslash before every backslash,
// double quote, "$" and backquote, so that what reaches the program is text exactly.
SString escapeForShell(const SString &text);
// text in double quotes, escaped: one argument of a command line, whatever it holds.
SString quoteForShell(const SString &text);

// Replaces the process by the program arguments[0] (searched in PATH when it holds no "/")
// with exactly these arguments; standard output is flushed first. Returns only when the
// program could not be started.
void replaceProcess(const StringDeque &arguments);

// Reads what the pipe holds, at most one large chunk, and appends all of it to text (when
// given), NUL bytes included; each 4096 bytes (or part) read make one progress step.
// Returns the bytes read, 0 at the end of the file, -1 when nothing could be read now.
int readChunk(int pipe, SString *text);
// The same into a capture buffer, straight into its memory.
int readChunk(int pipe, CaptureBuffer &buffer);

// The arguments of a command line for replace mode.
class CommandArguments {
public:
  int count() const { return arguments_.count(); }
  // The text of argument i; null outside 0..count-1.
  const char *get(int index) const;
  const StringDeque &getArguments() const { return arguments_; }
  StringDeque &getArguments() { return arguments_; }

private:
  StringDeque arguments_;
};

// Splits a command line at white space (blank, tab, line feed, carriage return). Double
// quotes group; an unterminated quote takes the rest of the line; an empty argument is
// dropped. Outside the first argument (the program, whose backslashes are kept as they
// are), a backslash before a double quote stands for the quote, and every other backslash
// stays. Always true.
bool splitCommandLine(CommandArguments &arguments, const SString &commandLine);
