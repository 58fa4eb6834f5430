// The macro engine: scan, hand each reference to its handler, scan the value again, then
// reduce doubled delimiters.
#include "launchscript/MacroHandler.h"

#include "base/LauncherException.h"
#include "launchscript/LaunchScriptTexts.h"

#include <cstdint>

namespace {
// A value that reproduces its own reference would keep the engine busy for ever; one that
// grows with every round would eat all memory first.
constexpr int kMaxReferences = 10000;
constexpr std::uint64_t kMaxLength = std::uint64_t{16} << 20;

[[noreturn]] void raiseDoesNotTerminate() {
  throw LauncherException(SString(launchscripttext::kErrorPrefix) +
                          launchscripttext::kDoesNotTerminate);
}
} // namespace

void expandMacros(SString &output, MacroHandler &handler, const SString &input, char delimiter) {
  output = input;
  int references = 0;
  SString::size_type i = output.find(delimiter);
  while (i != SString::npos && std::uint64_t{i} + 2 < output.length()) {
    SString::size_type end = output.find(delimiter, i + 2);
    if (end == SString::npos)
      break;
    if (++references > kMaxReferences)
      raiseDoesNotTerminate();
    handler.expandMacro(output, delimiter, i, end);
    if (output.length() > kMaxLength)
      raiseDoesNotTerminate();
    i = output.find(delimiter, i);
  }

  const SString doubled(2, delimiter);
  for (SString::size_type pair = output.find(doubled); pair != SString::npos;
       pair = output.find(doubled, pair + 1))
    output.erase(pair, 1);
}
