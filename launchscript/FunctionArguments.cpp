// The three-state reader of function argument lists, and launch-script errors.
#include "launchscript/FunctionArguments.h"

#include "base/LauncherException.h"
#include "base/Log.h"
#include "base/TextFunctions.h"
#include "launchscript/LaunchScriptTexts.h"

namespace lt = launchscripttext;

namespace {
enum class ReaderState { Opening, Argument, Separator };

[[noreturn]] void raiseNear(const SString &text, const char *message, SString::size_type lastGood) {
  raiseLaunchScriptError(text, SString(message) + lt::kNearCharacter +
                                   formatLong(static_cast<long>(lastGood)) + ")");
}
} // namespace

void parseFunctionArguments(const SString &text, SString::size_type &position,
                            StringDeque &arguments) {
  ReaderState state = ReaderState::Opening;
  SString::size_type lastGood = position;
  SString::size_type pos = position;
  for (;;) {
    while (pos < text.length() && isBlankChar(text.charAt(pos)))
      ++pos;
    const char *expected = state == ReaderState::Opening    ? lt::kExpectedLeftParenthesis
                           : state == ReaderState::Argument ? lt::kExpectedStringArgument
                                                            : lt::kExpectedRightParenthesis;
    if (pos >= text.length())
      raiseNear(text, expected, lastGood);
    const char c = text.charAt(pos);
    switch (state) {
    case ReaderState::Opening:
      if (c != '(')
        raiseNear(text, expected, lastGood);
      ++pos;
      state = ReaderState::Argument;
      break;
    case ReaderState::Argument:
      if (c == ')') {
        position = pos + 1;
        return;
      }
      if (c != '"')
        raiseNear(text, expected, lastGood);
      ++pos;
      arguments.add(nextArgument(text, pos, /*quoted=*/true));
      // The reader leaves npos when the argument closes the text.
      if (pos == SString::npos)
        pos = text.length();
      state = ReaderState::Separator;
      break;
    case ReaderState::Separator:
      if (c == ')') {
        position = pos + 1;
        return;
      }
      if (c != ',')
        raiseNear(text, expected, lastGood);
      ++pos;
      state = ReaderState::Argument;
      break;
    }
    lastGood = pos;
  }
}

void raiseLaunchScriptError(const SString &text, const SString &message) {
  log(lt::kLogCommand, LOG_PLAIN);
  log(text, LOG_PLAIN);
  throw LauncherException(lt::kErrorPrefix + message);
}
