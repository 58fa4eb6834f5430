// The built launcher, run as a process on launcher files packed by qgpack.
#include "tests/launcher/LauncherProcessFixture.h"
#include "tests/support/LauncherFileBuilder.h"
#include "tests/support/RunProcess.h"
#include "tests/support/TempDir.h"

#include <clocale>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string kNoIndex =
    "The launcher file is damaged or incomplete: it carries no file index.\n";

} // namespace

TEST_F(LauncherProcessTest, OptionsWithoutPayloadWork) {
  struct Case {
    std::vector<std::string> arguments;
    std::string out;
    int status;
  } cases[] = {
      {{"-qg:version"}, "2.51\n", 0},
      {{"-qg:silent", "-qg:version"}, "", 0},
      {{"-qg:version", "-qg:silent"}, "2.51\n", 0},
      {{"-qg:version", "-qg:version"}, "2.51\n2.51\n", 0},
      // A stub without payload has no file index at all: a launcher cut short looks so.
      {{}, kNoIndex, 255},
      {{"-QG:VERSION"}, kNoIndex, 255},
      {{"-qg:extract"}, kNoIndex, 255},
      {{"-qg:log"},
       "A log file name must be specified after the -log option on the command line.\n" + kNoIndex,
       255},
      {{"-qg:in"}, "An input file name must follow the '-in' command line option.\n", 255},
      // A missing input file: the text after the input-file prefix, then once more alone.
      {{"-qg:in", "missing.tag"},
       "Could not load the input file.Unable to open input file specified on the command line "
       "after the -in option.\nUnable to open input file specified on the command line after "
       "the -in option.\n",
       255},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    const ProcessResult result = run(launcherStubPath(), c.arguments);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.status, c.status);
  }
}

TEST_F(LauncherProcessTest, ScriptsFollowTheirJumps) {
  struct Case {
    const char *script;
    std::string out;
    int status;
  } cases[] = {
      // The end of a run closes the row of progress dots with a line break.
      {"  // nothing to do\n  :LABEL\n", "\n", 0},
      {"  SET N1 = 0\n  JMP0 @N1@ SKIP\n  FOO\n  :SKIP\n  SET S1 = \"reached\"\n  GOTO @S1@\n",
       "Error in instructions. Label not found (@S1@) Line number (6)\n", 255},
      {"  SET N2 = 1\n  JMP0 @N2@ SKIP\n  FOO\n  :SKIP\n",
       "Error in instructions. Invalid command (FOO).  Line number (3)\n", 255},
      {"  GOTO END\n  :BACK\n  GOTO NOWHERE\n  :END\n  GOTO BACK\n",
       "Error in instructions. Label not found (NOWHERE) Line number (3)\n", 255},
      // An empty title; the end of the run closes the line of progress.
      {"  INITIALIZE_UI\n", "\nInitializing ...\n\n", 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.script);
    const ProcessResult result = run(packScript(c.script), {});
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.status, c.status);
  }
}

TEST_F(LauncherProcessTest, ErrorsAreLoggedAfterTheIndexListing) {
  const std::string launcher = packScript("  // first\n  FOO\n");
  const std::string logFile = temp_.file("run.log");
  const ProcessResult result = run(launcher, {"-qg:log", logFile, "-qg:log"});
  EXPECT_EQ(result.status, 255);
  const std::string error = "Error in instructions. Invalid command (FOO).  Line number (2)";
  EXPECT_EQ(result.out, "A log file name must be specified after the -log option on the "
                        "command line.\n" +
                            error + "\n");
  const std::string log = readFile(logFile);
  EXPECT_EQ(log.rfind("------------------\nfile type: 0\n  file id: 0\n  length: ", 0), 0u) << log;
  EXPECT_NE(log.find("  file name: instructions.txt\nERROR: " + error + "\n"), std::string::npos)
      << log;
}

TEST_F(LauncherProcessTest, TitleOfTheLaunchScriptIsPrintedFirst) {
  writeFile(temp_.file("launch.txt"), "DESC: Caf\\u00E9 Setup\n");
  const std::string launcher = packScript("  FOO\n", {"--launch-script", temp_.file("launch.txt")});
  EXPECT_EQ(run(launcher, {}).out,
            "Caf\nError in instructions. Invalid command (FOO).  Line number (1)\n");
  EXPECT_EQ(run(launcher, {"-qg:silent"}).out, "");
}

TEST_F(LauncherProcessTest, TitleShowsWholeInAUtf8Locale) {
  const std::string saved = std::setlocale(LC_CTYPE, nullptr);
  const bool installed = std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;
  std::setlocale(LC_CTYPE, saved.c_str());
  if (!installed)
    GTEST_SKIP() << "the locale C.UTF-8 is not installed";
  writeFile(temp_.file("launch.txt"), "DESC: Caf\\u00E9 Setup\n");
  const std::string launcher = packScript("  FOO\n", {"--launch-script", temp_.file("launch.txt")});
  ProcessOptions options;
  options.environment = {"LC_ALL=C.UTF-8"};
  EXPECT_EQ(run(launcher, {}, options).out,
            "Caf\xc3\xa9 Setup\nError in instructions. Invalid command (FOO).  Line number (1)\n");
}

// A translated error goes to the console and the log as the same bytes: UTF-8 when the
// locale variables name a UTF-8 locale, even one that is not installed, else the code page.
TEST_F(LauncherProcessTest, TranslatedErrorsReachConsoleAndLogInTheTerminalsEncoding) {
  // The prefix comes from the catalogue; the reason after it is fixed English.
  const auto french = [](const std::string &eAcute) {
    return "Impossible d'extraire les fichiers int" + eAcute + "gr" + eAcute +
           "s du lanceur. Cannot write instructions.txt: a directory of that name is in the way.";
  };
  struct Case {
    std::vector<std::string> environment;
    std::string text;
  } cases[] = {
      {{"LANG=fr_FR.UTF-8"}, french("\xc3\xa9")},
      {{"LANG=fr_FR.UTF-8", "LC_ALL=C"}, french("\x82")}, // CP850
  };
  const std::string launcher = packScript("  FOO\n");
  const std::string out = temp_.file("out");
  // A directory in the place of the script makes the extraction fail.
  ASSERT_EQ(::mkdir(out.c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((out + "/instructions.txt").c_str(), 0700), 0);
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.environment));
    const std::string logFile = temp_.file("run.log");
    ::unlink(logFile.c_str());
    ProcessOptions options;
    options.workingDirectory = out;
    options.environment = c.environment;
    const ProcessResult result = run(launcher, {"-qg:log", logFile, "-qg:extract"}, options);
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, c.text + "\n");
    const std::string log = readFile(logFile);
    EXPECT_NE(log.find("\nERROR: " + c.text + "\n"), std::string::npos) << log;
  }
}

TEST_F(LauncherProcessTest, PayloadWithoutScriptEndsQuietlyWith255) {
  writeFile(temp_.file("app.jar"), "PK");
  const ProcessResult result = run(pack("setup.bin", {"--app-archive", temp_.file("app.jar")}), {});
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.status, 255);
}

TEST_F(LauncherProcessTest, RelativeProgramNameIsFoundInTheCurrentDirectory) {
  const std::string launcher = packScript("  FOO\n");
  ProcessOptions options;
  options.workingDirectory = temp_.path();
  options.argv0 = "setup.bin";
  const ProcessResult result = run(launcher, {}, options);
  EXPECT_EQ(result.out, "Error in instructions. Invalid command (FOO).  Line number (1)\n");
}

TEST_F(LauncherProcessTest, CopyStartedWithOrigDeletesItselfAndItsDirectory) {
  const std::string launcher = packScript("  FOO\n");
  const std::string copyDir = temp_.file("copy");
  ASSERT_EQ(::mkdir(copyDir.c_str(), 0700), 0);
  const std::string copy = copyDir + "/setup.bin";
  writeFile(copy, readFile(launcher));
  ::chmod(copy.c_str(), 0755);

  const ProcessResult result = run(copy, {"-qg:orig", launcher});
  EXPECT_EQ(result.status, 255);
  struct stat st;
  EXPECT_NE(::stat(copy.c_str(), &st), 0);
  EXPECT_NE(::stat(copyDir.c_str(), &st), 0);
  EXPECT_EQ(::stat(launcher.c_str(), &st), 0) << "the original stays";
}

TEST_F(LauncherProcessTest, ExtractWritesThePayloadAndAnInputFile) {
  writeFile(temp_.file("jvm1.txt"), "DESC: first\n");
  writeFile(temp_.file("app.jar"), std::string("PK\0\1binary", 10));
  const std::string launcher = packScript(
      "  FOO\n", {"--jvm", temp_.file("jvm1.txt"), "--app-archive", temp_.file("app.jar")});
  const std::string out = temp_.file("out");
  ASSERT_EQ(::mkdir(out.c_str(), 0700), 0);
  ProcessOptions options;
  options.workingDirectory = out;
  const ProcessResult result = run(launcher, {"-qg:extract"}, options);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(readFile(out + "/instructions.txt"), readFile(temp_.file("instructions.txt")));
  EXPECT_EQ(readFile(out + "/jvm1.txt"), "DESC: first\n");
  EXPECT_EQ(readFile(out + "/app.jar"), std::string("PK\0\1binary", 10));
  EXPECT_EQ(readFile(out + "/input.tag"),
            "ACTION:  RUN_INSTRUCTIONS\nINSTRUCTIONS:  instructions.txt\nJVM:  jvm1.txt\n");
}

// An interrupted download loses the end of the file first: even one byte less must not pass
// for a launcher without a script, nor extract as an empty payload.
TEST_F(LauncherProcessTest, ALauncherCutShortSaysSoAndWritesNothing) {
  const std::string launcher = packScript("  // nothing\n");
  const std::string bytes = readFile(launcher);
  writeFile(launcher, bytes.substr(0, bytes.size() - 1));
  const std::string out = temp_.file("out");
  ASSERT_EQ(::mkdir(out.c_str(), 0700), 0);
  ProcessOptions options;
  options.workingDirectory = out;
  for (const char *option : {"-qg:extract", "-qg:silent"}) {
    SCOPED_TRACE(option);
    const ProcessResult result = run(launcher, {"-qg:log", temp_.file("cut.log"), option}, options);
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, option == std::string("-qg:silent") ? "" : kNoIndex);
  }
  EXPECT_EQ(std::filesystem::directory_iterator(out), std::filesystem::directory_iterator());
  const std::string log = readFile(temp_.file("cut.log"));
  EXPECT_NE(log.find("ERROR: " + kNoIndex), std::string::npos) << log;
}

TEST_F(LauncherProcessTest, IndexAndExtractionErrorsCarryTheirPrefixes) {
  launcherformat::IndexRecord badType;
  badType.type = 8;
  writeFile(temp_.file("bad-index.bin"),
            rawLauncherFile(readFile(launcherStubPath()), rawIndex(1, rawRecord(badType))));
  launcherformat::IndexRecord badName;
  badName.type = FILE_APPLICATION_ARCHIVE;
  badName.name = "../escape.jar";
  writeFile(temp_.file("bad-name.bin"),
            rawLauncherFile(readFile(launcherStubPath()), rawIndex(1, rawRecord(badName))));
  const std::string out = temp_.file("out");
  ASSERT_EQ(::mkdir(out.c_str(), 0700), 0);
  ProcessOptions options;
  options.workingDirectory = out;
  struct Case {
    const char *launcher;
    std::vector<std::string> arguments;
    std::string out;
  } cases[] = {
      {"bad-index.bin",
       {},
       "Unable to load the launcher file index. Invalid file type in file index.\n"},
      {"bad-index.bin",
       {"-qg:extract"},
       "Unable to load the launcher file index. Invalid file type in file index.\n"},
      {"bad-name.bin",
       {"-qg:extract"},
       "Unable to extract embedded files from the launcher. Invalid embedded file name: "
       "../escape.jar\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.launcher);
    ::chmod(temp_.file(c.launcher).c_str(), 0755);
    const ProcessResult result = run(temp_.file(c.launcher), c.arguments, options);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.status, 255);
  }
}

// A crafted name cannot drive the user's terminal; the log keeps what the payload holds.
TEST_F(LauncherProcessTest, NamesFromThePayloadShowTheirControlBytesEscaped) {
  launcherformat::IndexRecord record;
  record.type = FILE_APPLICATION_ARCHIVE;
  record.name = "../\x1b]0;owned\x07";
  writeFile(temp_.file("crafted.bin"),
            rawLauncherFile(readFile(launcherStubPath()), rawIndex(1, rawRecord(record))));
  ::chmod(temp_.file("crafted.bin").c_str(), 0755);
  ProcessOptions options;
  options.workingDirectory = temp_.path();
  const ProcessResult result =
      run(temp_.file("crafted.bin"), {"-qg:log", temp_.file("run.log"), "-qg:extract"}, options);
  EXPECT_EQ(result.out, "Unable to extract embedded files from the launcher. Invalid embedded "
                        "file name: ../\\x1B]0;owned\\x07\n");
  EXPECT_NE(readFile(temp_.file("run.log")).find("file name: ../\x1b]0;owned\x07\n"),
            std::string::npos);
}

// The dots of an extraction reach the terminal, the options after "-qg:extract" still work,
// and an error after a row of dots starts a line of its own.
TEST_F(LauncherProcessTest, ExtractShowsItsProgressAndTheOptionsAfterItStillWork) {
  writeFile(temp_.file("app.jar"), std::string(2 * 61439 + 1, 'a'));
  writeFile(temp_.file("lib.jar"), "library");
  const std::string launcher =
      packScript("  // nothing\n", {"--app-archive", temp_.file("app.jar"), "--entry",
                                    "3::" + temp_.file("lib.jar") + ":taken"});
  const std::string out = temp_.file("out");
  ASSERT_EQ(::mkdir(out.c_str(), 0700), 0);
  ProcessOptions options;
  options.workingDirectory = out;
  ProcessResult result = run(launcher, {"-qg:extract", "-qg:version"}, options);
  // One dot per block (one for the script, three for the archive, one for the library);
  // the end of the extraction closes the row.
  EXPECT_EQ(result.out, ".....\n2.51\n");
  EXPECT_EQ(result.status, 0);

  ASSERT_EQ(::unlink((out + "/taken").c_str()), 0);
  ASSERT_EQ(::mkdir((out + "/taken").c_str(), 0700), 0);
  result = run(launcher, {"-qg:extract"}, options);
  EXPECT_EQ(result.out, "....\nUnable to extract embedded files from the launcher. Cannot write "
                        "taken: a directory of that name is in the way.\n");
  EXPECT_EQ(result.status, 255);
}

// Started through PATH, argv[0] holds no directory; the payload must still be the running
// file's, not that of a file of the same name in the current directory.
TEST_F(LauncherProcessTest, AStartThroughPathReadsTheRunningFileNotADecoy) {
  const std::string launcher = packScript("  FOO\n");
  const std::string elsewhere = temp_.file("elsewhere");
  ASSERT_EQ(::mkdir(elsewhere.c_str(), 0700), 0);
  writeFile(temp_.file("decoy.txt"), "INSTRUCTIONS:\n  BAR\n/:\n");
  pack("elsewhere/setup.bin", {"--instructions", temp_.file("decoy.txt")});
  ProcessOptions options;
  options.workingDirectory = elsewhere;
  options.argv0 = "setup.bin";
  const ProcessResult result = run(launcher, {}, options);
  EXPECT_EQ(result.out, "Error in instructions. Invalid command (FOO).  Line number (1)\n");

  // A copy started this way deletes itself, never the decoy.
  const std::string copyDir = temp_.file("copy");
  ASSERT_EQ(::mkdir(copyDir.c_str(), 0700), 0);
  writeFile(copyDir + "/setup.bin", readFile(launcher));
  ::chmod((copyDir + "/setup.bin").c_str(), 0755);
  run(copyDir + "/setup.bin", {"-qg:orig", launcher}, options);
  EXPECT_TRUE(std::filesystem::exists(elsewhere + "/setup.bin"));
  EXPECT_FALSE(std::filesystem::exists(copyDir));
}

// Files that cannot be written whole leave nothing behind but the error.
TEST_F(LauncherProcessTest, AWriteThatFailsLeavesNoHalfWrittenFile) {
  writeFile(temp_.file("app.jar"), std::string(1 << 20, 'a'));
  const std::string launcher =
      packScript("  // nothing\n", {"--app-archive", temp_.file("app.jar")});
  const std::string out = temp_.file("out");
  std::filesystem::create_directory(out);
  ProcessOptions options;
  options.workingDirectory = out;
  options.fileSizeLimit = 100000;
  const ProcessResult result = run(launcher, {"-qg:extract"}, options);
  EXPECT_EQ(result.status, 255);
  // A dot for the script, two for what was copied of the archive; EFBIG, as a full disk
  // would give ENOSPC.
  EXPECT_EQ(result.out,
            "...\nUnable to extract embedded files from the launcher. Error writing file "
            "= 27 There may not be enough temporary disk space. Try using -qg:tempdir "
            "to use a temporary directory on a partition with more disk space.\n");
  std::vector<std::string> left;
  for (const auto &item : std::filesystem::directory_iterator(out))
    left.push_back(item.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"instructions.txt"});
}

// Crafted indexes end in bounded time with a result or a clear error, never a hang.
TEST_F(LauncherProcessTest, HugeAndCraftedIndexesEndInBoundedTime) {
  const std::string stub = readFile(launcherStubPath());
  // A million entries, all listed in the log.
  std::string records;
  launcherformat::IndexRecord small;
  small.type = FILE_APPLICATION_ARCHIVE;
  small.name = "x";
  const std::string one = rawRecord(small);
  for (int i = 0; i < 1000000; ++i)
    records += one;
  writeFile(temp_.file("million.bin"), rawLauncherFile(stub, rawIndex(1000000, records)));
  // An entry of nearly 4 GiB, and one with the longest name there can be.
  launcherformat::IndexRecord huge;
  huge.type = FILE_APPLICATION_ARCHIVE;
  huge.name = "huge.jar";
  huge.length = 0xFFFFFFF0u;
  writeFile(temp_.file("huge.bin"), rawLauncherFile(stub, rawIndex(1, rawRecord(huge))));
  launcherformat::IndexRecord longName;
  longName.type = FILE_APPLICATION_ARCHIVE;
  longName.name = std::string(32767, 'n');
  writeFile(temp_.file("long.bin"), rawLauncherFile(stub, rawIndex(1, rawRecord(longName))));
  for (const char *name : {"million.bin", "huge.bin", "long.bin"})
    ::chmod(temp_.file(name).c_str(), 0755);

  ProcessResult result = run(temp_.file("million.bin"), {"-qg:log", temp_.file("million.log")});
  EXPECT_EQ(result.status, 255);
  EXPECT_EQ(result.out, "");
  const std::string log = readFile(temp_.file("million.log"));
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1 + 5 * 1000000);

  const std::string out = temp_.file("out");
  std::filesystem::create_directory(out);
  ProcessOptions options;
  options.workingDirectory = out;
  result = run(temp_.file("huge.bin"), {"-qg:extract"}, options);
  EXPECT_EQ(result.status, 255);
  EXPECT_EQ(result.out, "Unable to extract embedded files from the launcher. The launcher file is "
                        "damaged or incomplete: the embedded file huge.jar lies beyond its end.\n");
  result = run(temp_.file("long.bin"), {"-qg:extract"}, options);
  EXPECT_EQ(result.status, 255);
  EXPECT_NE(result.out.find("Error writing file = 36 "), std::string::npos) << result.out;
  EXPECT_TRUE(std::filesystem::is_empty(out));
}
