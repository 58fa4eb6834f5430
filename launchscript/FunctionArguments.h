// The argument list of a launch-script function call, (, quoted arguments separated by ","
// and ), and the report of errors in the text being expanded.
#pragma once

#include "base/Deque.h"
#include "base/SString.h"

// Reads the argument list that begins at position (just after the closing delimiter of the
// function name): white space may stand around every token, each argument is written in
// double quotes with a doubled quote standing for one, a comma directly before ")" is
// accepted. On return position is just after ")" and arguments holds the values in order.
// Raises, through raiseLaunchScriptError, "Expected left parenthesis.", "Expected string
// arg." or "Expected right parenthesis." followed by " (near character N)", N being the
// position after the last good token; an unterminated argument raises the quoted-string
// reader's "Expected double quote to end argument near N" as it stands.
void parseFunctionArguments(const SString &text, SString::size_type &position,
                            StringDeque &arguments);

// Writes "Launch command:" and text to the log as plain lines, then raises
// LauncherException "Launch script error: " + message.
[[noreturn]] void raiseLaunchScriptError(const SString &text, const SString &message);
