// The console: one process-wide state and the operations that write to standard output.
#include "native/launcher/linux/Console.h"

#include "base/TextFunctions.h"
#include "native/launcher/linux/MessageCatalog.h"
#include "native/launcher/linux/Signals.h"

#include <cctype>
#include <chrono>
#include <climits>
#include <cstring>
#include <cwchar>

namespace {

struct ConsoleState {
  bool silent = false;
  bool outputEnabled = true;
  int progress = 0;
  int progressLines = 0;
  int searchStatus = 0;
  SString searchName;
  // The search status line shown last.
  int shownStatus = 0;
  SString shownName;
  SString title;
  std::FILE *out = stdout;
  std::FILE *in = stdin;
  std::chrono::steady_clock::time_point lastRawFlush;
  // True while the last text written was raw text (progress dots) with no line break after it.
  bool midLine = false;
};

// Progress dots come thousands at a time while a file is copied, and handing each one to
// the system costs more than the copy; raw text is therefore flushed at most this often.
// Lines are always flushed at once, so the next line carries any dots still held.
constexpr std::chrono::milliseconds kRawFlushInterval{50};

ConsoleState &state() {
  static ConsoleState consoleState;
  return consoleState;
}

constexpr int kDotsPerLine = 70;

// Text and line feed, flushed at once: a child process that shares standard output must
// not overtake what was written before it started.
void writeLine(std::string_view text) {
  std::FILE *out = state().out;
  if (!text.empty())
    std::fwrite(text.data(), 1, text.size(), out);
  std::fputc('\n', out);
  std::fflush(out);
  state().midLine = false;
}

} // namespace

void setSilent(bool on) {
  state().silent = on;
}
bool isSilent() {
  return state().silent;
}

void enableConsoleOutput() {
  state().outputEnabled = !state().silent;
}
void disableConsoleOutput() {
  state().outputEnabled = false;
}
bool isConsoleOutputEnabled() {
  return state().outputEnabled;
}

void printLine(const SString &text) {
  if (state().outputEnabled)
    writeLine(text.view());
}

void printText(const char *text) {
  if (state().outputEnabled)
    writeLine(text ? std::string_view(text) : std::string_view());
}

void printRaw(const char *text) {
  if (!state().outputEnabled)
    return;
  ConsoleState &s = state();
  if (text && *text) {
    std::fputs(text, s.out);
    s.midLine = text[std::strlen(text) - 1] != '\n';
  }
  const auto now = std::chrono::steady_clock::now();
  if (now - s.lastRawFlush >= kRawFlushInterval) {
    std::fflush(s.out);
    s.lastRawFlush = now;
  }
}

void printUnlessSilent(const SString &text) {
  if (state().silent)
    return;
  // An error text that followed a row of dots would otherwise be glued to it.
  endProgressLine();
  writeLine(text.view());
}

SString escapeControlBytes(const SString &text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  SString escaped;
  for (const char c : text.view()) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      escaped += c;
      continue;
    }
    escaped += "\\x";
    escaped += kHex[byte >> 4];
    escaped += kHex[byte & 0xF];
  }
  return escaped;
}

void printErrorUnlessSilent(const SString &text) {
  printUnlessSilent(escapeControlBytes(text));
}

void endProgressLine() {
  if (state().midLine)
    writeLine(std::string_view());
}

void printResultLine(const SString &text) {
  endProgressLine();
  writeLine(text.view());
}

SString readWord() {
  std::FILE *in = state().in;
  int c = std::fgetc(in);
  while (c != EOF && std::isspace(c))
    c = std::fgetc(in);
  SString word;
  while (c != EOF && !std::isspace(c)) {
    word.append(static_cast<char>(c));
    c = std::fgetc(in);
  }
  // Leave the delimiter for whoever reads next, as a formatted read would.
  if (c != EOF)
    std::ungetc(c, in);
  return word;
}

SString toMultibyte(const std::wstring &wide) {
  SString result;
  std::mbstate_t shift{};
  char bytes[MB_LEN_MAX];
  for (wchar_t c : wide) {
    if (c == L'\0')
      break;
    const std::size_t n = std::wcrtomb(bytes, c, &shift);
    if (n == static_cast<std::size_t>(-1))
      break;
    result.append(std::string_view(bytes, n));
  }
  return result;
}

void setTitle(const SString &text) {
  state().title = toMultibyte(decodeUnicodeEscapes(text));
  if (!state().silent)
    printLine(state().title);
}

const SString &getTitle() {
  return state().title;
}

void showStatus(int kind) {
  if (state().silent || kind < 0 || kind > 4)
    return;
  const char *title = state().title.cStr();
  printText("");
  switch (kind) {
  case 0:
    printLine(getMessage(MSG_INITIALIZING, title));
    break;
  case 1:
    printLine(getMessage(MSG_SEARCHING_JVM));
    break;
  case 2:
    // Both texts on one line, nothing between them.
    printRaw(getMessage(MSG_NO_JVM_FOUND).cStr());
    printText(getMessage(MSG_NOT_LAUNCHED, title).cStr());
    break;
  case 3:
    printLine(getMessage(MSG_RUNNING, title));
    break;
  default:
    printLine(getMessage(MSG_PREPARING_JVM));
    break;
  }
}

void showSearchStatus(int status, const SString &name) {
  ConsoleState &s = state();
  if (s.silent)
    return;
  s.searchStatus = status;
  s.searchName = name;
  // A search verifies candidate after candidate; the line is shown once, not for each.
  if (status < 1 || status > 3 || (status == s.shownStatus && name == s.shownName))
    return;
  s.shownStatus = status;
  s.shownName = name;
  printText("");
  if (status == 1)
    printLine(getMessage(MSG_SEARCHING_FOR, name.cStr()));
  else if (status == 2)
    printLine(getMessage(MSG_SCANNING_DISKS));
  else
    printLine(getMessage(MSG_VERIFYING, name.cStr()));
}

int getSearchStatus() {
  return state().searchStatus;
}
const SString &getSearchName() {
  return state().searchName;
}

StatusScope::StatusScope() : savedStatus_(state().searchStatus), savedName_(state().searchName) {}

StatusScope::~StatusScope() {
  // Only recorded: the line of the outer status was shown when it began.
  state().searchStatus = savedStatus_;
  state().searchName = savedName_;
}

void stepProgress(int n) {
  ConsoleState &s = state();
  if (s.silent)
    return;
  const SString dot = getMessage(MSG_PROGRESS_DOT);
  s.progress += n;
  if (s.outputEnabled)
    for (int i = 0; i < n; ++i)
      printRaw(dot.cStr());
  // The count was already raised, so one step of n advances it by 2n in all.
  setProgress(s.progress + n);
}

void setProgress(int value) {
  ConsoleState &s = state();
  if (s.silent)
    return;
  s.progress = value;
  if (s.outputEnabled && value / kDotsPerLine > s.progressLines) {
    printText("");
    s.progressLines = s.progress / kDotsPerLine;
  }
}

int getProgress() {
  return state().progress;
}

SString promptForJVMDestination() {
  if (state().silent)
    return SString();
  printLine(getMessage(MSG_JVM_DESTINATION));
  const SString word = readWord();
  // A signal ends the read early; what was typed so far is no answer.
  throwIfTerminationRequested();
  return word;
}

void resetConsoleForTesting(std::FILE *out, std::FILE *in) {
  state() = ConsoleState();
  state().out = out;
  state().in = in;
}
