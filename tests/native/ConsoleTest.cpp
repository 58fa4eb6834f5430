// Tests of the console: the two switches, status lines, dots, the title and the prompt.
#include "native/launcher/linux/Console.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

namespace {

class ConsoleTest : public ::testing::Test {
protected:
  void SetUp() override {
    ::unsetenv("LANG");
    out_ = std::tmpfile();
    in_ = std::tmpfile();
    ASSERT_TRUE(out_ && in_);
    resetConsoleForTesting(out_, in_);
  }
  void TearDown() override {
    ::unsetenv("LANG");
    resetConsoleForTesting();
    std::fclose(out_);
    std::fclose(in_);
  }

  // Everything written since the last call.
  std::string output() {
    std::fflush(out_);
    std::fseek(out_, consumed_, SEEK_SET);
    std::string text;
    for (int c = std::fgetc(out_); c != EOF; c = std::fgetc(out_))
      text.push_back(static_cast<char>(c));
    std::fseek(out_, 0, SEEK_END);
    consumed_ = std::ftell(out_);
    return text;
  }

  void typeInput(const std::string &text) {
    std::fputs(text.c_str(), in_);
    std::rewind(in_);
  }

  std::FILE *out_ = nullptr;
  std::FILE *in_ = nullptr;
  long consumed_ = 0;
};

} // namespace

TEST_F(ConsoleTest, PrintingLooksAtTheOutputSwitchOnly) {
  setSilent(true); // the switch stays on: only enableConsoleOutput consults silent mode
  printLine("line");
  printText("text");
  printRaw("raw");
  EXPECT_EQ("line\ntext\nraw", output());
  disableConsoleOutput();
  printLine("line");
  printText("text");
  printRaw("raw");
  EXPECT_EQ("", output());
}

TEST_F(ConsoleTest, PrintUnlessSilentLooksAtSilentModeOnly) {
  disableConsoleOutput();
  printUnlessSilent("error text");
  EXPECT_EQ("error text\n", output());
  enableConsoleOutput();
  setSilent(true);
  printUnlessSilent("error text");
  EXPECT_EQ("", output());
}

// An error that follows a row of dots starts a line of its own; after a whole line, or with
// nothing before it, no empty line is added.
TEST_F(ConsoleTest, PrintUnlessSilentStartsANewLineAfterDots) {
  stepProgress(2);
  printUnlessSilent("error text");
  EXPECT_EQ("..\nerror text\n", output());
  printUnlessSilent("second");
  stepProgress(1);
  printLine("line");
  printUnlessSilent("third");
  EXPECT_EQ("second\n.line\nthird\n", output());
  // The dots count even when output was switched off after them.
  stepProgress(1);
  disableConsoleOutput();
  printUnlessSilent("fourth");
  EXPECT_EQ(".\nfourth\n", output());
}

// Error texts may carry names from a payload: no byte of them may drive the terminal.
TEST_F(ConsoleTest, ErrorTextsShowControlBytesEscaped) {
  printErrorUnlessSilent(SString(std::string("name \x1b[2J\ttab\n\x7f\\ \xc3\xa9\0end", 23)));
  EXPECT_EQ(output(), "name \\x1B[2J\\x09tab\\x0A\\x7F\\ \xc3\xa9\\x00end\n");
}

TEST_F(ConsoleTest, EnableInSilentModeTurnsOutputOff) {
  setSilent(true);
  enableConsoleOutput();
  EXPECT_FALSE(isConsoleOutputEnabled());
}

TEST_F(ConsoleTest, PrintRawIsNotAFormat) {
  printRaw("100%s %d %n");
  EXPECT_EQ("100%s %d %n", output());
}

TEST_F(ConsoleTest, StatusLines) {
  struct Case {
    int kind;
    const char *expected;
  };
  const Case cases[] = {
      {0, "\nInitializing My App...\n"},
      {1, "\nSearching for Java(tm) Virtual Machine...\n"},
      {2, "\nNo Java(tm) Virtual Machine was found.My App could not be launched.\n"},
      {3, "\nRunning My App...\n"},
      {4, "\nPreparing Java(tm) Virtual Machine...\n"},
      {5, ""},
      {7, ""},
      {-1, ""},
  };
  setTitle("My App");
  output();
  for (const Case &c : cases) {
    SCOPED_TRACE(c.kind);
    showStatus(c.kind);
    EXPECT_EQ(c.expected, output());
  }
  disableConsoleOutput();
  showStatus(0);
  EXPECT_EQ("", output());
}

TEST_F(ConsoleTest, SilentOperationsDoNothing) {
  setSilent(true);
  showStatus(1);
  showSearchStatus(2, "");
  stepProgress(5);
  setProgress(80);
  EXPECT_EQ("", output());
  EXPECT_EQ(0, getProgress());
  EXPECT_EQ(0, getSearchStatus());
}

TEST_F(ConsoleTest, StepProgressCountsTwice) {
  stepProgress(3);
  EXPECT_EQ("...", output());
  EXPECT_EQ(6, getProgress());
  // With output off the count still moves, but nothing is written.
  disableConsoleOutput();
  stepProgress(2);
  EXPECT_EQ("", output());
  EXPECT_EQ(10, getProgress());
}

TEST_F(ConsoleTest, LineBreakEverySeventyCounts) {
  for (int i = 0; i < 34; ++i)
    stepProgress(1);
  EXPECT_EQ(std::string(34, '.'), output());
  stepProgress(1); // count 70
  EXPECT_EQ(".\n", output());
  // Lines never go back: a reset count does not earn a second break at 70.
  setProgress(0);
  setProgress(100);
  EXPECT_EQ("", output());
  setProgress(140);
  EXPECT_EQ("\n", output());
}

TEST_F(ConsoleTest, FinalProgressBreaksALineOnlyOnce) {
  setProgress(100);
  EXPECT_EQ("\n", output());
  setProgress(100);
  EXPECT_EQ("", output());
}

TEST_F(ConsoleTest, TitleEscapesAndLocale) {
  // The C locale has only ASCII: the title ends before the first other character.
  setTitle("Caf\\u00e9 Setup");
  EXPECT_EQ(SString("Caf"), getTitle());
  EXPECT_EQ("Caf\n", output());

  struct Case {
    const char *text;
    const char *title;
  };
  const Case cases[] = {
      {"Setup \\u41", "Setup \\u41"}, // too short at the end: stays as typed
      {"A\\uzzzzB", "A\\uzzzzB"},     // not hexadecimal: the backslash is kept
      {"\\u0041\\U0042C", "ABC"},     // either case of the u
      {"Stop\\u0000here", "Stop"},    // a decoded zero ends the text
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    setTitle(c.text);
    EXPECT_EQ(SString(c.title), getTitle());
  }
}

// The status lines join the title, in the locale's encoding, to a catalogue text, in the
// encoding chosen for the terminal; in a UTF-8 locale both are UTF-8.
TEST_F(ConsoleTest, TitleShowsWholeInAUtf8Locale) {
  const std::string saved = std::setlocale(LC_CTYPE, nullptr);
  if (!std::setlocale(LC_CTYPE, "C.UTF-8"))
    GTEST_SKIP() << "the locale C.UTF-8 is not installed";
  ::setenv("LANG", "de_DE.UTF-8", 1);
  setTitle("Caf\\u00e9 Setup");
  showStatus(0);
  std::setlocale(LC_CTYPE, saved.c_str());
  EXPECT_EQ(SString("Caf\xc3\xa9 Setup"), getTitle());
  EXPECT_EQ("Caf\xc3\xa9 Setup\n\nCaf\xc3\xa9 Setup wird initialisiert...\n", output());
}

TEST_F(ConsoleTest, TitleIsStoredButNotShownWhenSilent) {
  setSilent(true);
  setTitle("Quiet");
  EXPECT_EQ(SString("Quiet"), getTitle());
  EXPECT_EQ("", output());
}

TEST_F(ConsoleTest, SearchStatusIsShownOnceAndRestoredQuietly) {
  showSearchStatus(1, "Java 17");
  EXPECT_EQ("\nSearching for Java 17\n", output());
  for (const char *candidate : {"/opt/a", "/opt/b"}) {
    SCOPED_TRACE(candidate);
    StatusScope scope;
    showSearchStatus(3, "Java 17");
    EXPECT_EQ(3, getSearchStatus());
  }
  // One verification line for all the candidates; the scope puts the status back silently.
  EXPECT_EQ("\nVerifying Java 17\n", output());
  EXPECT_EQ(1, getSearchStatus());
  showSearchStatus(2, "");
  showSearchStatus(0, "");
  EXPECT_EQ("\nScanning disk(s) for a Java(tm) Virtual Machine...\n", output());
}

TEST_F(ConsoleTest, ReadWordReadsWholeWords) {
  const std::string longWord(3000, 'w');
  typeInput("  \n first\t" + longWord + " \n");
  EXPECT_EQ(SString("first"), readWord());
  EXPECT_EQ(SString(longWord.c_str()), readWord());
  EXPECT_EQ(SString(), readWord());
}

TEST_F(ConsoleTest, PromptForJVMDestination) {
  typeInput("/opt/java rest");
  EXPECT_EQ(SString("/opt/java"), promptForJVMDestination());
  EXPECT_EQ("Supply the destination directory for the Java Virtual Machine:\n", output());
  setSilent(true);
  EXPECT_EQ(SString(), promptForJVMDestination());
  EXPECT_EQ("", output());
  EXPECT_EQ(SString("rest"), readWord()); // nothing was read in silent mode
}
