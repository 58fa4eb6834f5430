// Child processes: the classic interface, chunked reading of a child's output and the
// splitting of a command line for replace mode.
#include "native/launcher/linux/ChildProcess.h"

#include "base/Handles.h"
#include "base/TextFunctions.h"
#include "native/launcher/linux/Console.h"
#include "native/launcher/linux/Platform.h"

#include <algorithm>
#include <unistd.h>

namespace {
// A read takes what the pipe holds, up to this much.
constexpr std::size_t kMaxChunk = std::size_t{1} << 20;
// One progress step per this many bytes read, as many as reads of this size would make.
constexpr int kBytesPerProgressStep = 4096;

// One argument from pos, which ends on the white space after it or past its closing quote.
SString parseArgument(const SString &line, SString::size_type &pos, bool first) {
  const SString::size_type length = line.length();
  SString argument;
  bool inQuotes = line.charAt(pos) == '"';
  const bool quotedArgument = inQuotes;
  if (inQuotes)
    ++pos;
  bool escape = false;
  for (; pos < length; ++pos) {
    const char c = line.charAt(pos);
    if (escape) {
      // Only a quote loses its backslash.
      if (c != '"')
        argument += '\\';
      argument += c;
      escape = false;
    } else if (c == '\\' && !first) {
      escape = true;
    } else if (inQuotes) {
      if (c != '"') {
        argument += c;
      } else if (quotedArgument) {
        ++pos;
        return argument;
      } else {
        inQuotes = false;
      }
    } else if (isBlankChar(c)) {
      return argument;
    } else if (c == '"') {
      inQuotes = true;
    } else {
      argument += c;
    }
  }
  // A backslash that ends the line has nothing to escape; it stays.
  if (escape)
    argument += '\\';
  return argument;
}

// One progress step for every 4096 bytes (or part) read, as many as reads of that size
// would have made.
void stepProgressForBytes(ssize_t got) {
  if (got > 0)
    stepProgress(static_cast<int>((got + kBytesPerProgressStep - 1) / kBytesPerProgressStep));
}

void skipBlanks(const SString &line, SString::size_type &pos) {
  while (pos < line.length() && isBlankChar(line.charAt(pos)))
    ++pos;
}
} // namespace

int runCommand(const SString &command, const CommandOptions &options) {
  return platform().runCommand(command, options);
}

int runCommand(const SString &command, const SString &workingDirectory, bool capture, bool redirect,
               SString *standardOutput, SString *standardError, bool replace) {
  if (replace) {
    CommandArguments arguments;
    splitCommandLine(arguments, command);
    replaceProcess(arguments.getArguments());
    return 0;
  }
  CommandOptions options;
  options.workingDirectory = workingDirectory;
  options.capture = capture;
  options.redirect = redirect;
  options.standardOutput = standardOutput;
  options.standardError = standardError;
  return runCommand(command, options);
}

SString escapeForShell(const SString &text) {
  SString escaped;
  for (const char c : text.view()) {
    if (c == '\\' || c == '"' || c == '$' || c == '`')
      escaped += '\\';
    escaped += c;
  }
  return escaped;
}

SString quoteForShell(const SString &text) {
  return "\"" + escapeForShell(text) + "\"";
}

void replaceProcess(const StringDeque &arguments) {
  platform().replaceProcess(arguments);
}

int readChunk(int pipe, SString *text) {
  // Read as much as the pipe holds at once, so that a child writing a lot costs few calls.
  static char buffer[kMaxChunk];
  const ssize_t got = retryOnEintr([&] { return ::read(pipe, buffer, sizeof buffer); });
  if (got < 0)
    return -1;
  if (text)
    text->append(std::string_view(buffer, static_cast<std::size_t>(got)));
  stepProgressForBytes(got);
  return static_cast<int>(got);
}

int readChunk(int pipe, CaptureBuffer &buffer) {
  char *tail = buffer.reserveTail(kMaxChunk);
  if (!tail)
    return readChunk(pipe, nullptr);
  const ssize_t got = retryOnEintr([&] { return ::read(pipe, tail, kMaxChunk); });
  if (got < 0)
    return -1;
  buffer.commitTail(static_cast<std::size_t>(got));
  stepProgressForBytes(got);
  return static_cast<int>(got);
}

const char *CommandArguments::get(int index) const {
  return arguments_.isValidIndex(index) ? arguments_.get(index).cStr() : nullptr;
}

bool splitCommandLine(CommandArguments &arguments, const SString &commandLine) {
  SString::size_type pos = 0;
  skipBlanks(commandLine, pos);
  while (pos < commandLine.length()) {
    SString argument = parseArgument(commandLine, pos, arguments.count() == 0);
    if (!argument.isEmpty())
      arguments.getArguments().add(argument);
    skipBlanks(commandLine, pos);
  }
  return true;
}
