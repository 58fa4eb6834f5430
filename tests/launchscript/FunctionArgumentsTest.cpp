// Tests of the function argument reader and of launch-script errors.
#include "launchscript/FunctionArguments.h"

#include "base/LauncherException.h"
#include "base/Log.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(FunctionArguments, ReadsQuotedArgumentsBetweenParentheses) {
  struct Case {
    const char *text;
    std::vector<std::string> arguments;
    SString::size_type end;
  } cases[] = {
      {"%CP%()", {}, 6},
      {"%CP% \t\r\n( )x", {}, 11},
      {"%F%( \"a\" , \"b\"\"c\" )", {"a", "b\"c"}, 19},
      // A comma directly before the parenthesis is accepted.
      {"%F%(\"a\",)", {"a"}, 9},
      {"%F%(\"\")", {""}, 7},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    const SString text(c.text);
    SString::size_type position = text.find('%', 1) + 1;
    StringDeque arguments;
    parseFunctionArguments(text, position, arguments);
    std::vector<std::string> got;
    for (const SString &argument : arguments)
      got.push_back(argument.str());
    EXPECT_EQ(got, c.arguments);
    EXPECT_EQ(position, c.end);
  }
}

TEST(FunctionArguments, ErrorsNameThePositionAfterTheLastGoodToken) {
  TempDir dir;
  resetLogForTesting();
  setLogFile(SString(dir.file("log")));
  struct Case {
    const char *text;
    std::string message;
  } cases[] = {
      {"%CP%x", "Launch script error: Expected left parenthesis. (near character 4)"},
      {"%CP%", "Launch script error: Expected left parenthesis. (near character 4)"},
      {"%CP%(x", "Launch script error: Expected string arg. (near character 5)"},
      {"%CP%(", "Launch script error: Expected string arg. (near character 5)"},
      {"%CP%(\"a\" x", "Launch script error: Expected right parenthesis. (near character 8)"},
      {"%CP%(\"a\",\"b\"", "Launch script error: Expected right parenthesis. (near character 12)"},
      // The quoted-string reader's own error, as it stands.
      {"%CP%(\"a", "Expected double quote to end argument near 6"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    const SString text(c.text);
    SString::size_type position = 4;
    StringDeque arguments;
    try {
      parseFunctionArguments(text, position, arguments);
      ADD_FAILURE() << "no error";
    } catch (const LauncherException &e) {
      EXPECT_EQ(e.getMessage().str(), c.message);
    }
  }
  // The reader's errors log the whole text being expanded first.
  const std::string log = readFile(dir.file("log"));
  EXPECT_NE(log.find("\nLaunch command:\n%CP%(\"a\" x\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("%CP%(\"a\n"), std::string::npos) << "the string reader logs nothing";
  resetLogForTesting();
}
