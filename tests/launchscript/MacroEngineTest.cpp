// Tests of the macro engine, run with a map-backed handler.
#include "launchscript/MacroHandler.h"

#include "base/LauncherException.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// Replaces each reference by the value the map has for its name (empty when none) and
// records the names in the order asked.
class MapHandler final : public MacroHandler {
public:
  void expandMacro(SString &text, char, SString::size_type start,
                   SString::size_type &end) override {
    const std::string name = text.substring(start + 1, end - start - 1).str();
    names.push_back(name);
    text.replace(start, end - start + 1, SString(values[name]));
  }

  std::map<std::string, std::string> values;
  std::vector<std::string> names;
};

std::string expand(MapHandler &handler, const std::string &input, char delimiter = '@') {
  SString output;
  expandMacros(output, handler, SString(input), delimiter);
  return output.str();
}

} // namespace

TEST(MacroEngine, ExpandsScansAgainAndReducesDoubledDelimiters) {
  struct Case {
    const char *input;
    const char *output;
    std::vector<std::string> names;
  } cases[] = {
      {"a@X@b@Y@c", "a1b2c", {"X", "Y"}},
      // A value is read again: a reference in it is expanded in turn.
      {"[@NEST@]", "[1]", {"NEST", "X"}},
      // Doubled delimiters that formed no reference are reduced to one.
      {"100@@", "100@", {}},
      {"@@", "@", {}},
      // The last and second-to-last characters never open a reference; a lone delimiter
      // ends the scan and the rest keeps its characters.
      {"x@", "x@", {}},
      {"x@y", "x@y", {}},
      {"a@b", "a@b", {}},
      {"a@X", "a@X", {}},
      // Two adjacent delimiters never form a reference: the first pairs with a later one.
      {"@@X@", "", {"@X"}},
      {"@@@", "", {"@"}},
      {"", "", {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.input);
    MapHandler handler;
    handler.values = {{"X", "1"}, {"Y", "2"}, {"NEST", "@X@"}};
    EXPECT_EQ(expand(handler, c.input), c.output);
    EXPECT_EQ(handler.names, c.names);
  }
}

TEST(MacroEngine, ValuesThatKeepProducingReferencesFail) {
  const std::string message =
      "Launch script error: The expansion of the launch command does not terminate.";
  for (const char *value : {"#SELF#", "x#SELF#", "#SELF##SELF#"}) {
    SCOPED_TRACE(value);
    MapHandler handler;
    handler.values = {{"SELF", value}};
    try {
      expand(handler, "run #SELF#", '#');
      ADD_FAILURE() << "no error";
    } catch (const LauncherException &e) {
      EXPECT_EQ(e.getMessage().str(), message);
    }
  }
  // One large value that grows with every round stops at the length bound at once.
  MapHandler big;
  big.values = {{"BIG", std::string(1 << 20, 'b') + "#BIG#"}};
  EXPECT_THROW(expand(big, "#BIG#", '#'), LauncherException);
  EXPECT_LT(big.names.size(), 20u);
}
