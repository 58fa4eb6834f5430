// The diagnostic log.
#include "base/Log.h"

#include "base/Handles.h"

namespace {

struct LogState {
  SString fileName;
  bool separatorWritten = false;
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
  UniqueFile file(std::fopen(s.fileName.cStr(), "a"));
  if (!file)
    return;
  if (!s.separatorWritten) {
    std::fputs("------------------\n", file.get());
    s.separatorWritten = true;
  }
  std::fputs(prefixOf(level), file.get());
  std::fwrite(message.cStr(), 1, message.length(), file.get());
  std::fputc('\n', file.get());
}

void log(const char *message, int level) {
  log(SString(message), level);
}

void setLogFile(const SString &name) {
  state().fileName = name;
}

const SString &getLogFile() {
  return state().fileName;
}

void resetLogForTesting() {
  state() = LogState();
}
