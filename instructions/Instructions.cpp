// Instructions: reading, evaluating and executing the lines of an instruction script.
#include "instructions/Instructions.h"

#include "base/LauncherException.h"
#include "base/TextFunctions.h"
#include "instructions/InstructionHost.h"
#include "instructions/InstructionTexts.h"
#include "instructions/InstructionsException.h"
#include "instructions/ScriptNumbers.h"
#include "instructions/VariableReference.h"
#include "native/launcher/linux/Signals.h"
#include "tagfile/TagFile.h"

#include <cstdint>

namespace it = instructiontext;

namespace {
// Several arguments are read without a context; their details keep their leading blank.
const SString kNoContext;

// A value may contain references (even to itself, or one that grows with every round), so
// expansion is bounded. Counting substitutions rather than passes also bounds a single pass,
// which re-reads each inserted value and could otherwise grow the text for ever.
constexpr int kMaxSubstitutions = 1000;
// Substitutions alone do not bound memory: a few doublings of a large value reach gigabytes.
constexpr std::uint64_t kMaxExpandedLength = std::uint64_t{16} << 20;
} // namespace

const Instructions::Command Instructions::kCommands[] = {
    {"FIND_JVM", &Instructions::doFindJVM},
    {"GOTO", &Instructions::doGoto},
    {"ILAUNCH", &Instructions::doILaunch},
    {"INITIALIZE_UI", &Instructions::doInitializeUI},
    {"INSTALL_JVM", &Instructions::doInstallJVM},
    {"JMP0", &Instructions::doJmp0},
    {"LAUNCH", &Instructions::doLaunch},
    {"SET", &Instructions::doSet},
    {"VERIFY", &Instructions::doVerify},
    {"EXECUTE_LAUNCHER", &Instructions::doExecuteLauncher},
    {"//", &Instructions::doComment},
};

int Instructions::run(InstructionHost &host) {
  host_ = &host;
  result_ = 0;
  lines_ = tagFile_->findValues(it::kInstructionsKey);
  lineCount_ = lines_ ? lines_->count() : 0;
  indexLabels();
  for (currentLine_ = 0; currentLine_ < lineCount_; ++currentLine_) {
    // A script may loop for ever on purpose; a termination signal still ends it.
    throwIfTerminationRequested();
    const SString &text = line(currentLine_);
    size_type pos = 0;
    bool noWord = false;
    const SString command = nextWord(text, pos, noWord);
    if (noWord)
      raiseError(it::kNoCommand);
    if (command.startsWith(":"))
      continue;
    const Command *found = nullptr;
    for (const Command &candidate : kCommands) {
      if (command == candidate.name) {
        found = &candidate;
        break;
      }
    }
    if (found == nullptr)
      raiseError(it::kInvalidCommandPrefix + command + it::kInvalidCommandSuffix);
    // A jump leaves currentLine_ on its label line; the increment goes on after it.
    (this->*found->handler)(text, pos);
  }
  return result_;
}

const SString &Instructions::line(int index) const {
  return lines_->get(index);
}

void Instructions::indexLabels() {
  labels_.clear();
  // Only a line that begins with ":" can equal a label name; the first of equal lines wins.
  for (int index = 0; index < lineCount_; ++index)
    if (line(index).startsWith(":"))
      labels_.try_emplace(line(index).str(), index);
}

SString Instructions::nextWord(const SString &text, size_type &pos, bool &noWord) const {
  return ::nextWord(text, pos, noWord);
}

SString Instructions::requireWord(const SString &text, size_type &pos, const char *missing) {
  bool noWord = false;
  SString word = nextWord(text, pos, noWord);
  if (noWord)
    raiseError(missing);
  return word;
}

SString Instructions::readQuotedArgument(const SString &text, size_type &pos,
                                         const SString &context) {
  const size_type length = text.length();
  const size_type start = pos < length ? text.findFirstNotOf(BLANK_CHARS, pos) : SString::npos;
  SString collected;
  if (start == SString::npos) {
    pos = length;
  } else if (text.charAt(start) != '"') {
    const size_type end = text.findFirstOf(BLANK_CHARS, start);
    collected = text.substring(start, end == SString::npos ? SString::npos : end - start);
    pos = end == SString::npos ? length : end + 1;
  } else {
    // Only the parity of each run of quotes matters here: the first odd run closes the
    // argument. The runs are kept as written so that prepareValue unquotes them exactly once
    // (collapsing them here as well would turn a doubled quote into a closing one).
    size_type scan = start + 1;
    bool closed = false;
    while (!closed) {
      scan = text.find('"', scan);
      if (scan == SString::npos)
        break;
      size_type run = 0;
      while (text.charAt(scan + run) == '"')
        ++run;
      scan += run;
      closed = run % 2 == 1;
    }
    if (!closed)
      throw LauncherException(it::kExpectedEndingQuote + text.substring(start) +
                              it::kEndingQuoteSeparator + context);
    collected = text.substring(start, scan - start);
    pos = scan;
  }
  prepareValue(collected, context);
  return collected;
}

void Instructions::expandVariables(SString &text, const SString &context) {
  if (text.isEmpty())
    raiseError(context + " " + it::kEmptyExpression);
  int substitutions = 0;
  bool substituted = true;
  while (substituted) {
    substituted = false;
    size_type at = text.find('@');
    while (at != SString::npos) {
      const size_type close = text.find('@', at + 1);
      if (close == SString::npos)
        raiseError(context + " " + it::kUnclosedReference);
      if (close == at + 1) {
        // "@@": the first "@" stays as a literal and is stepped over.
        text.erase(close, 1);
        at = text.find('@', at + 1);
        continue;
      }
      if (++substitutions > kMaxSubstitutions)
        raiseError(context + " " + it::kExpansionDoesNotTerminate);
      const VariableReference reference =
          VariableReference::parse(*host_, text.substring(at + 1, close - at - 1), context);
      const SString value = reference.getValueText();
      const std::uint64_t grownLength =
          std::uint64_t{text.length()} - (close - at + 1) + value.length();
      if (grownLength > kMaxExpandedLength)
        raiseError(context + " " + it::kExpansionDoesNotTerminate);
      text.replace(at, close - at + 1, value);
      substituted = true;
      // The scan goes on at the first character of the inserted value, so a value that is
      // itself a reference is resolved here; stepping past that character would read the
      // value's closing "@" as an opening one.
      at = text.find('@', at);
    }
  }
}

int Instructions::evaluateNumber(const SString &text, const SString &context) {
  SString expanded(text);
  expandVariables(expanded, context);
  int value = 0;
  if (!scriptnumbers::readInRange(expanded, value))
    raiseError(context + it::kInvalidNumber + expanded + ")");
  return value;
}

short Instructions::evaluateShort(const SString &text, const SString &context) {
  SString expanded(text);
  expandVariables(expanded, context);
  // Read as a long and range-checked rather than through SString::toShort, which keeps only
  // the low 16 bits: 65536 seconds must fail, not become 0.
  short value = 0;
  if (!scriptnumbers::readInRange(expanded, value))
    raiseError(context + it::kInvalidShort + expanded + ")");
  return value;
}

bool Instructions::evaluateBoolean(const SString &text, const SString &context) {
  const int value = evaluateNumber(text, context);
  if (value != 0 && value != 1)
    raiseError(context + it::kInvalidBoolean + text + ")");
  return value == 1;
}

void Instructions::prepareValue(SString &text, const SString &context) {
  if (text.isEmpty())
    return;
  if (text.charAt(0) == '"') {
    size_type pos = 1;
    text = nextArgument(text, pos, /*quoted=*/true);
  } else {
    const size_type blank = text.findFirstOf(BLANK_CHARS);
    if (blank != SString::npos)
      text.erase(blank);
  }
  expandVariables(text, context);
}

void Instructions::raiseError(const SString &message) const {
  throw InstructionsException(message, currentLine_ + 1);
}

int Instructions::findLabel(const SString &label) {
  SString name = ":" + label;
  expandVariables(name, it::kInvalidLabel);
  if (name == ":")
    raiseError(it::kBlankLabelPrefix + label + it::kBlankLabelSuffix);
  const auto found = labels_.find(name.str());
  if (found == labels_.end())
    raiseError(it::kLabelNotFound + label + ")");
  return found->second;
}

void Instructions::doFindJVM(const SString &text, size_type &pos) {
  const bool showUI = evaluateBoolean(requireWord(text, pos, it::kFindJvmFirst), kNoContext);
  const bool showFailure = evaluateBoolean(requireWord(text, pos, it::kFindJvmSecond), kNoContext);
  host_->doFindJVM(showUI, showFailure);
}

void Instructions::doGoto(const SString &text, size_type &pos) {
  currentLine_ = findLabel(requireWord(text, pos, it::kGotoLabel));
}

void Instructions::doILaunch(const SString &text, size_type &pos) {
  const int fileId = evaluateNumber(requireWord(text, pos, it::kIlaunchFirst), kNoContext);
  const short seconds = evaluateShort(requireWord(text, pos, it::kIlaunchSecond), kNoContext);
  result_ = host_->doLaunchById(fileId, seconds);
}

void Instructions::doInitializeUI(const SString &, size_type &) {
  host_->doInitializeUI();
}

void Instructions::doInstallJVM(const SString &text, size_type &pos) {
  const int mode = evaluateNumber(requireWord(text, pos, it::kInstallJvmMode), kNoContext);
  if (mode < 0 || mode > 2)
    raiseError(it::kInstallJvmMode);
  host_->doInstallJVM(mode);
}

void Instructions::doJmp0(const SString &text, size_type &pos) {
  // A missing value is read as empty text and reported as an empty expression.
  bool noWord = false;
  const int value = evaluateNumber(nextWord(text, pos, noWord), it::kJmp0Value);
  const SString label = requireWord(text, pos, it::kJmp0Label);
  if (value == 0)
    currentLine_ = findLabel(label);
}

void Instructions::doLaunch(const SString &text, size_type &pos) {
  const SString path = readQuotedArgument(text, pos, it::kLaunchPath);
  const short seconds = evaluateShort(requireWord(text, pos, it::kLaunchSecond), kNoContext);
  result_ = host_->doLaunch(path, seconds);
}

void Instructions::doSet(const SString &text, size_type &pos) {
  SString rest = pos < text.length() ? text.substring(pos) : SString();
  rest.trim(BLANK_CHARS);
  const size_type equals = rest.find('=');
  if (equals == SString::npos)
    raiseError(it::kSetMissingEquals);
  // Reference and value errors are LauncherExceptions elsewhere; on a SET line they get the
  // line number.
  try {
    SString left = rest.substring(0, equals);
    left.trim(BLANK_CHARS);
    const VariableReference target = VariableReference::parse(*host_, left, it::kSetLeftSide);
    SString right = rest.substring(equals + 1);
    right.trim(BLANK_CHARS);
    prepareValue(right, it::kSetExpression);
    target.assign(right, it::kSetValue);
  } catch (const LauncherException &error) {
    raiseError(error.getMessage());
  }
}

void Instructions::doVerify(const SString &text, size_type &pos) {
  const bool showUI = evaluateBoolean(requireWord(text, pos, it::kVerifyFirst), kNoContext);
  const bool showFailure = evaluateBoolean(requireWord(text, pos, it::kVerifySecond), kNoContext);
  const int fileId = evaluateNumber(requireWord(text, pos, it::kVerifyThird), kNoContext);
  host_->doVerify(showUI, showFailure, fileId);
}

void Instructions::doExecuteLauncher(const SString &text, size_type &pos) {
  const int position =
      evaluateNumber(requireWord(text, pos, it::kExecuteLauncherPosition), kNoContext);
  host_->doExecuteLauncher(position);
}

void Instructions::doComment(const SString &, size_type &) {}
