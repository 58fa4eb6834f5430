// The diagnostic log.
#include "base/Log.h"

#include "base/Handles.h"

#include <fcntl.h>
#include <string>

namespace {

struct LogState {
  SString fileName;
  bool separatorWritten = false;
  // The file named by fileName, kept open between lines; each line is one appending write,
  // so it is in the file when log returns and lines of several launchers never mix.
  UniqueFd file;
};

LogState &state() {
  static LogState logState;
  return logState;
}

const char *prefixOf(int level) {
  switch (level) {
  case LOG_WARNING:
    return "WARNING: ";
  case LOG_ERROR:
    return "ERROR: ";
  default:
    return "";
  }
}

} // namespace

void log(const SString &message, int level) {
  LogState &s = state();
  if (s.fileName.isEmpty())
    return;
  if (!s.file) {
    s.file.reset(retryOnEintr([&] {
      return ::open(s.fileName.cStr(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    }));
    if (!s.file)
      return;
  }
  std::string line;
  if (!s.separatorWritten) {
    line = "------------------\n";
    s.separatorWritten = true;
  }
  line += prefixOf(level);
  line += message.view();
  line += '\n';
  writeAll(s.file.get(), line);
}

void log(const char *message, int level) {
  log(SString(message), level);
}

void setLogFile(const SString &name) {
  LogState &s = state();
  if (name != s.fileName)
    s.file.reset();
  s.fileName = name;
}

const SString &getLogFile() {
  return state().fileName;
}

void resetLogForTesting() {
  state() = LogState();
}
