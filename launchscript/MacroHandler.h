// MacroHandler and the macro engine. A reference inside a text is an opening delimiter, a
// name of at least one character and a closing delimiter ("@NAME@", "#NAME#", "%NAME%" with
// an argument list after it); the engine finds the references of one delimiter and hands
// each to a handler, which rewrites the text in place.
#pragma once

#include "base/SString.h"

class MacroHandler {
public:
  // Replaces the reference that begins at start (its closing delimiter at end) with its
  // value: for a function call from start to just after its argument list, otherwise from
  // start through end. The engine goes on scanning at start, so the value is read again.
  virtual void expandMacro(SString &text, char delimiter, SString::size_type start,
                           SString::size_type &end) = 0;

protected:
  MacroHandler() = default;
  MacroHandler(const MacroHandler &) = default;
  MacroHandler &operator=(const MacroHandler &) = default;
  ~MacroHandler() = default;
};

// output becomes input with every reference of delimiter expanded by handler, then with
// every pair of adjacent delimiters reduced to one ("100%%" gives "100%"; three in a row
// give two). A delimiter that is the last or second-to-last character never opens a
// reference, and one without a partner after it ends the scan. A value that keeps
// producing references cannot run for ever: past 10000 references, or when the text would
// grow past 16 MiB, LauncherException "Launch script error: The expansion of the launch
// command does not terminate." is raised.
void expandMacros(SString &output, MacroHandler &handler, const SString &input, char delimiter);
