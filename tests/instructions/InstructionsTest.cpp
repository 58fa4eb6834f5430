// Tests of the instruction interpreter, run against a recording fake host.
#include "instructions/Instructions.h"

#include "base/LauncherException.h"
#include "base/TextFunctions.h"
#include "instructions/InstructionHost.h"
#include "instructions/InstructionsException.h"
#include "tagfile/TagFile.h"

#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <string>
#include <vector>

namespace {

// Keeps the variables in arrays and records every work command as one line of text.
class FakeHost : public InstructionHost {
public:
  SString getStringVariable(int n) const override { return strings.at(index(n, 10, "string")); }
  void setStringVariable(int n, const SString &value) override {
    strings.at(index(n, 10, "string")) = value;
  }
  int getNumericVariable(int n) const override { return numbers.at(index(n, 5, "numeric")); }
  void setNumericVariable(int n, int value) override { numbers.at(index(n, 5, "numeric")) = value; }

  void doFindJVM(bool showUI, bool showFailureMessage) override {
    record("FIND_JVM " + flag(showUI) + " " + flag(showFailureMessage));
    // What a search leaves behind: N1 tells whether a JVM was found, S2 its file.
    setNumericVariable(1, findSucceeds ? 1 : 0);
    setStringVariable(2, findSucceeds ? "/tmp/found.jvm" : "");
  }
  void doVerify(bool showUI, bool showFailureMessage, int fileId) override {
    record("VERIFY " + flag(showUI) + " " + flag(showFailureMessage) + " " +
           std::to_string(fileId));
  }
  void doInstallJVM(int mode) override { record("INSTALL_JVM " + std::to_string(mode)); }
  int doLaunch(const SString &jvmFilePath, short seconds) override {
    record("LAUNCH [" + jvmFilePath.str() + "] " + std::to_string(seconds));
    return nextLaunchResult();
  }
  int doLaunchById(int fileId, short seconds) override {
    record("ILAUNCH " + std::to_string(fileId) + " " + std::to_string(seconds));
    return nextLaunchResult();
  }
  void doInitializeUI() override { record("INITIALIZE_UI"); }
  void doExecuteLauncher(int position) override {
    record("EXECUTE_LAUNCHER " + std::to_string(position));
  }

  std::array<SString, 10> strings;
  std::array<int, 5> numbers{};
  std::vector<std::string> calls;
  std::deque<int> launchResults;
  bool findSucceeds = true;

private:
  static std::size_t index(int n, int count, const char *kind) {
    if (n < 1 || n > count)
      throw LauncherException(SString("Invalid ") + kind + " variable number: " + formatLong(n));
    return static_cast<std::size_t>(n - 1);
  }
  static std::string flag(bool value) { return value ? "1" : "0"; }
  void record(std::string call) { calls.push_back(std::move(call)); }
  int nextLaunchResult() {
    if (launchResults.empty())
      return -1;
    const int result = launchResults.front();
    launchResults.pop_front();
    return result;
  }
};

int runLines(FakeHost &host, const std::vector<std::string> &lines) {
  TagFile tags;
  tags.setValue("DESC", "ignored by the interpreter");
  for (const std::string &text : lines)
    tags.addValue("INSTRUCTIONS", SString(text));
  Instructions instructions(tags);
  return instructions.run(host);
}

using Calls = std::vector<std::string>;

const char *const kSampleScript = "DESC: Sample\n"
                                  "INSTRUCTIONS:\n"
                                  "  INITIALIZE_UI\n"
                                  "  FIND_JVM 1 1\n"
                                  "  JMP0 @N1@ DO_FIND_ELSE\n"
                                  "  LAUNCH @S2@ 0\n"
                                  "  GOTO DO_FIND_DONE\n"
                                  "  :DO_FIND_ELSE\n"
                                  "  :DO_FIND_DONE\n"
                                  "/:\n";

TEST(Instructions, SampleScriptLaunchesTheJvmThatWasFound) {
  TagFile tags;
  tags.parse(kSampleScript, "instructions");
  FakeHost host;
  host.launchResults = {42};
  Instructions instructions(tags);
  EXPECT_EQ(instructions.run(host), 42);
  EXPECT_EQ(host.calls, (Calls{"INITIALIZE_UI", "FIND_JVM 1 1", "LAUNCH [/tmp/found.jvm] 0"}));
}

TEST(Instructions, SampleScriptSkipsTheLaunchWhenNoJvmWasFound) {
  TagFile tags;
  tags.parse(kSampleScript, "instructions");
  FakeHost host;
  host.findSucceeds = false;
  Instructions instructions(tags);
  EXPECT_EQ(instructions.run(host), 0);
  EXPECT_EQ(host.calls, (Calls{"INITIALIZE_UI", "FIND_JVM 1 1"}));
}

TEST(Instructions, ScriptsWithoutWorkReturnZero) {
  FakeHost host;
  TagFile noKey;
  noKey.setValue("DESC", "no script");
  EXPECT_EQ(Instructions(noKey).run(host), 0);
  EXPECT_EQ(runLines(host, {"// a comment", ":LABEL", "// another"}), 0);
  EXPECT_TRUE(host.calls.empty());
}

TEST(Instructions, WorkCommandsReceiveTheirArguments) {
  FakeHost host;
  host.launchResults = {5};
  const int result =
      runLines(host, {"INITIALIZE_UI extra words", "FIND_JVM 0 1", "VERIFY 1 0 12",
                      "INSTALL_JVM 2 ignored", "EXECUTE_LAUNCHER 4", "ILAUNCH 3 -10"});
  EXPECT_EQ(result, 5);
  EXPECT_EQ(host.calls, (Calls{"INITIALIZE_UI", "FIND_JVM 0 1", "VERIFY 1 0 12", "INSTALL_JVM 2",
                               "EXECUTE_LAUNCHER 4", "ILAUNCH 3 -10"}));
}

TEST(Instructions, ResultIsThatOfTheLastLaunch) {
  FakeHost host;
  host.launchResults = {3, 7, 9};
  EXPECT_EQ(runLines(host, {"LAUNCH /a 0", "LAUNCH /b 0"}), 7);
  EXPECT_EQ(runLines(host, {"LAUNCH /c 0", "INITIALIZE_UI"}), 9);
}

TEST(Instructions, LaunchPathMayBeQuoted) {
  struct Case {
    std::string line;
    std::string call;
  };
  const Case cases[] = {
      {"LAUNCH /opt/jvm 5", "LAUNCH [/opt/jvm] 5"},
      {"LAUNCH \"/opt/my jvm/file\" 5", "LAUNCH [/opt/my jvm/file] 5"},
      {"LAUNCH \"a\"\"b\" 1", "LAUNCH [a\"b] 1"},
      {"LAUNCH \"a\"\"\"\"b\" 1", "LAUNCH [a\"\"b] 1"},
      {"LAUNCH \"@S1@/my file\" 2", "LAUNCH [/home/u/my file] 2"},
      {"LAUNCH\t  /tabbed\t32767", "LAUNCH [/tabbed] 32767"},
      {"LAUNCH /p -32768", "LAUNCH [/p] -32768"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.line);
    FakeHost host;
    host.strings[0] = "/home/u";
    runLines(host, {c.line});
    EXPECT_EQ(host.calls, Calls{c.call});
  }
}

TEST(Instructions, SetAssignsEachForm) {
  FakeHost host;
  host.strings[5] = "old";
  runLines(host, {
                     "SET N2 = 5",
                     "SET S1 = \"/opt/java/jre\"",
                     "SET S3 = \"@S1@/bin\"",
                     "SET N1 = @N2@",
                     "SET S2 = \"a=b\"",
                     "SET S4 = hello world",
                     "SET S5 = \"hello world\"",
                     "SET S6 =",
                     "SET s7=x",
                     "SET N3 = -3",
                     "SET N4 = 7apples",
                     "SET S8 = a@@b",
                     "SET S9 = \"say \"\"hi\"\"\" dropped",
                     "SET N5 = -2147483648",
                 });
  EXPECT_EQ(host.numbers, (std::array<int, 5>{5, 5, -3, 7, -2147483648}));
  const std::array<SString, 10> strings = {
      "/opt/java/jre", "a=b", "/opt/java/jre/bin", "hello", "hello world", "", "x", "a@b",
      "say \"hi\"",    ""};
  EXPECT_EQ(host.strings, strings);
}

TEST(Instructions, ReferencesNameVariablesLoosely) {
  FakeHost host;
  host.numbers[0] = 4;
  host.strings[0] = "@S2@";
  host.strings[1] = "x";
  runLines(host, {"VERIFY 1 1 @n1@", "VERIFY 1 1 @N01@", "VERIFY 1 1 @N1x@", "SET S3 = @s1@",
                  "SET S4 = <@S1@|@S1@>"});
  EXPECT_EQ(host.calls, (Calls{"VERIFY 1 1 4", "VERIFY 1 1 4", "VERIFY 1 1 4"}));
  // A value that holds a reference is expanded in turn.
  EXPECT_EQ(host.strings[2], "x");
  EXPECT_EQ(host.strings[3], "<x|x>");
}

TEST(Instructions, NumbersFollowTheDecimalRule) {
  FakeHost host;
  host.strings[0] = " 7";
  runLines(host, {"VERIFY 1 1 @S1@", "VERIFY 1 1 7apples", "VERIFY 1 1 -3", "VERIFY 1 1 +8",
                  "VERIFY 1 1 2147483647", "VERIFY 1 1 -2147483648", "VERIFY 1 1 @N1@"});
  EXPECT_EQ(host.calls, (Calls{"VERIFY 1 1 7", "VERIFY 1 1 7", "VERIFY 1 1 -3", "VERIFY 1 1 8",
                               "VERIFY 1 1 2147483647", "VERIFY 1 1 -2147483648", "VERIFY 1 1 0"}));
}

TEST(Instructions, JumpsGoOnAfterTheLabelLine) {
  FakeHost host;
  host.numbers[1] = 1;
  // Jumps back to the first line once, then to the last line, which ends the script.
  runLines(host, {":TOP", "INITIALIZE_UI", "JMP0 @N2@ END", "SET N2 = 0", "GOTO TOP",
                  "INSTALL_JVM 0", ":END"});
  EXPECT_EQ(host.calls, (Calls{"INITIALIZE_UI", "INITIALIZE_UI"}));
}

TEST(Instructions, LabelsMayBeComputed) {
  FakeHost host;
  runLines(host, {"SET N1 = 2", "GOTO STEP_@N1@", ":STEP_1", "INSTALL_JVM 1", ":STEP_2",
                  "INSTALL_JVM 2"});
  EXPECT_EQ(host.calls, Calls{"INSTALL_JVM 2"});
}

TEST(Instructions, Jmp0LooksUpItsLabelOnlyWhenTaken) {
  FakeHost host;
  runLines(host, {"JMP0 1 NOWHERE", "INSTALL_JVM 1"});
  EXPECT_EQ(host.calls, Calls{"INSTALL_JVM 1"});
}

TEST(Instructions, AnErrorStopsTheScriptAndKeepsEarlierEffects) {
  FakeHost host;
  EXPECT_THROW(runLines(host, {"SET N1 = 3", "FOO", "INSTALL_JVM 1"}), InstructionsException);
  EXPECT_EQ(host.numbers[0], 3);
  EXPECT_TRUE(host.calls.empty());
}

struct ErrorCase {
  std::vector<std::string> lines;
  std::string message;
  int lineNumber; // 0: a LauncherException, which carries none
};

void expectError(const ErrorCase &c, FakeHost &host) {
  try {
    runLines(host, c.lines);
    ADD_FAILURE() << "no error";
  } catch (const InstructionsException &error) {
    EXPECT_EQ(error.getMessage().str(), c.message);
    EXPECT_EQ(error.getLineNumber(), c.lineNumber);
  } catch (const LauncherException &error) {
    EXPECT_EQ(error.getMessage().str(), c.message);
    EXPECT_EQ(c.lineNumber, 0) << "raised as LauncherException";
  }
}

TEST(Instructions, ErrorsCarryTheirTextAndLine) {
  const std::string setLeft = "Invalid variable specified on left hand side of SET statement. ";
  const ErrorCase cases[] = {
      // Lines and commands.
      {{"// c", ":L", "FOO"}, "Invalid command (FOO). ", 3},
      {{"goto L", ":L"}, "Invalid command (goto). ", 1},
      {{"//note"}, "Invalid command (//note). ", 1},
      {{"INITIALIZE_UI", "\f\v"}, "No command specified.", 2},
      // Labels.
      {{"GOTO"}, "The GOTO command requires a label as its only argument.", 1},
      {{"GOTO @S1@"}, "Label @S1@ resolved to a blank string. Labels cannot be blank.", 1},
      {{"GOTO NOWHERE", ":SOMEWHERE"}, "Label not found (NOWHERE)", 1},
      {{":L extra", "GOTO L"}, "Label not found (L)", 2},
      {{"GOTO L@"}, "Invalid label specified. Invalid variable specification.", 1},
      {{"JMP0"}, "The second argument to JMP0 must be numeric. Empty expression.", 1},
      {{"JMP0 abc L"},
       "The second argument to JMP0 must be numeric.Invalid numeric expression (abc)",
       1},
      {{"JMP0 1"}, "JMP0 requires a jump label as its second argument.", 1},
      {{"INITIALIZE_UI", "JMP0 0 MISSING"}, "Label not found (MISSING)", 2},
      // SET.
      {{"SET N1 5"}, "SET statement is missing =.", 1},
      {{"SET"}, "SET statement is missing =.", 1},
      {{"SET N1 = abc"},
       "Invalid value specified for SET command Invalid numeric expression in abc",
       1},
      {{"SET N1 = 2147483648"},
       "Invalid value specified for SET command Invalid numeric expression in 2147483648",
       1},
      {{"SET X1 = 5"},
       setLeft + "Invalid variable reference (X1). Must use N or S as the variable type, e.g. N2 "
                 "or S1.",
       1},
      {{"SET N6 = 1"}, setLeft + "Variable number is invalid (6)", 1},
      {{"SET S11 = 1"}, setLeft + "Variable number is invalid (11)", 1},
      {{"SET N = 1"},
       setLeft + "Variable references must be at least 2 characters (e.g. N1 and S10).",
       1},
      {{"SET = 1"},
       setLeft + "Variable references must be at least 2 characters (e.g. N1 and S10).",
       1},
      {{"SET S1 = \"abc"}, "Expected double quote to end argument near 1", 1},
      {{"SET S1 = @S1"},
       "Invalid expression specified for SET command Invalid variable specification.",
       1},
      {{"SET S1 = @N6@"},
       "Invalid expression specified for SET command Variable number is invalid (6)",
       1},
      // Work command arguments; an empty context keeps the detail's leading blank.
      {{"FIND_JVM"},
       "The first argument to FIND_JVM should be a 1 if the UI should be displayed or a 0 if the "
       "UI should be suppressed.",
       1},
      {{"FIND_JVM 1"},
       "The second argument to FIND_JVM should be a 1 if a find failure message should be "
       "displayed in a UI or 0 if no message should be displayed.",
       1},
      {{"FIND_JVM 2"}, " Invalid boolean value (2)", 1},
      {{"FIND_JVM seven 1"}, "Invalid numeric expression (seven)", 1},
      {{"SET N1 = 2", "FIND_JVM 1 @N1@"}, " Invalid boolean value (@N1@)", 2},
      {{"VERIFY"},
       "The first argument to VERIFY should be a 1 if the UI should be displayed or a 0 if the UI "
       "should be suppressed.",
       1},
      {{"VERIFY 1"},
       "The second argument to VERIFY should be a 1 if a find failure message should be displayed "
       "in a UI or 0 if no message should be displayed.",
       1},
      {{"VERIFY 1 0"},
       "The third argument to VERIFY should be the file index number of the jvm file.",
       1},
      {{"VERIFY 1 0 @N1"}, " Invalid variable specification.", 1},
      {{"VERIFY 1 0 2147483648"}, "Invalid numeric expression (2147483648)", 1},
      {{"VERIFY 1 0 -2147483649"}, "Invalid numeric expression (-2147483649)", 1},
      {{"VERIFY 1 0 99999999999999999999"}, "Invalid numeric expression (99999999999999999999)", 1},
      {{"ILAUNCH"},
       "The first argument to ILAUNCH should be the file index number of the jvm file.",
       1},
      {{"ILAUNCH 1"},
       "The second argument to ILAUNCH should be the number of seconds to display the UI during "
       "the launch.",
       1},
      {{"ILAUNCH 1 65536"}, " Invalid numeric expression (65536)", 1},
      {{"INSTALL_JVM"}, "The first argument to INSTALL_JVM should be a 0, 1 or 2.", 1},
      {{"INSTALL_JVM 3"}, "The first argument to INSTALL_JVM should be a 0, 1 or 2.", 1},
      {{"INSTALL_JVM -1"}, "The first argument to INSTALL_JVM should be a 0, 1 or 2.", 1},
      {{"LAUNCH /x"},
       "The second argument to LAUNCH should be the number of seconds to display the UI during "
       "the launch.",
       1},
      {{"LAUNCH \"/x y\""},
       "The second argument to LAUNCH should be the number of seconds to display the UI during "
       "the launch.",
       1},
      {{"LAUNCH /x 32768"}, " Invalid numeric expression (32768)", 1},
      {{"LAUNCH /x -32769"}, " Invalid numeric expression (-32769)", 1},
      {{"LAUNCH \"\" 0"}, "Invalid jvm file name specified in LAUNCH. Empty expression.", 1},
      {{"EXECUTE_LAUNCHER"},
       "The first argument to EXECUTE_LAUNCHER should be the file index position of the launcher "
       "to execute.",
       1},
      // Errors of references and quoted arguments outside SET have no line number.
      {{"LAUNCH \"/opt/x 5"},
       "Expected ending quote in \"/opt/x 5:  Invalid jvm file name specified in LAUNCH.",
       0},
      {{"LAUNCH \"/opt/x\"\" 5"},
       "Expected ending quote in \"/opt/x\"\" 5:  Invalid jvm file name specified in LAUNCH.",
       0},
      {{"VERIFY 1 1 @N6@"}, " Variable number is invalid (6)", 0},
      {{"VERIFY 1 1 @N99999999999@"}, " Variable number is invalid (99999999999)", 0},
      {{"GOTO @X1@"},
       "Invalid label specified. Invalid variable reference (X1). Must use N or S as the variable "
       "type, e.g. N2 or S1.",
       0},
  };
  for (const ErrorCase &c : cases) {
    SCOPED_TRACE(c.lines.back());
    FakeHost host;
    expectError(c, host);
  }
}

TEST(Instructions, ExpansionThatNeverSettlesFails) {
  // "x@S1@" re-reads its own reference after every insertion and would grow for ever.
  const ErrorCase growing{
      {"INITIALIZE_UI", "VERIFY 1 1 @S1@"}, " Variable expansion does not terminate.", 2};
  FakeHost host;
  host.strings[0] = "x@S1@";
  expectError(growing, host);

  FakeHost selfHost;
  selfHost.strings[0] = "@S1@";
  expectError({{"GOTO @S1@"}, "Invalid label specified. Variable expansion does not terminate.", 1},
              selfHost);
}

// Few substitutions can still make a huge text: each doubling of a large value is one.
TEST(Instructions, ExpansionIsBoundedInLengthToo) {
  FakeHost host;
  host.strings[2] = SString(std::string(10u << 20, 'x'));
  expectError({{"SET S1 = \"@S3@@S3@\""},
               "Invalid expression specified for SET command Variable expansion does not "
               "terminate.",
               1},
              host);
  // A value that doubles itself on every round stops at the bound too.
  FakeHost doubling;
  doubling.strings[0] = SString(std::string(1u << 20, 'y'));
  expectError({{":AGAIN", "SET S1 = @S1@@S1@", "GOTO AGAIN"},
               "Invalid expression specified for SET command Variable expansion does not "
               "terminate.",
               2},
              doubling);
  EXPECT_EQ(doubling.strings[0].length(), 16u << 20);
  // Up to the bound, values are whole.
  FakeHost fits;
  fits.strings[2] = SString(std::string(8u << 20, 'z'));
  runLines(fits, {"SET S1 = \"@S3@@S3@\""});
  EXPECT_EQ(fits.strings[0].length(), 16u << 20);
}

// Labels are looked up in an index made when the script starts; the first equal line wins.
TEST(Instructions, TheFirstOfTwoEqualLabelLinesIsTheTarget) {
  FakeHost host;
  runLines(host, {"GOTO TWICE", ":TWICE", "INSTALL_JVM 1", "GOTO END", ":TWICE", "INSTALL_JVM 2",
                  ":END"});
  EXPECT_EQ(host.calls, Calls{"INSTALL_JVM 1"});
}

} // namespace
