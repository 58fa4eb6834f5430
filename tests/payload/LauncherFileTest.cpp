// Tests of the launcher file: index reading and logging, roles of embedded and named files,
// extraction of single entries and of the whole payload.
#include "payload/LauncherFile.h"

#include "base/LauncherException.h"
#include "native/launcher/linux/MessageCatalog.h"
#include "tests/payload/PayloadTestSupport.h"
#include "tests/support/LauncherFileBuilder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

namespace {
using launcherformat::IndexRecord;

const std::string kNoSpaceText = " There may not be enough temporary disk space. Try using "
                                 "-qg:tempdir to use a temporary directory on a partition with "
                                 "more disk space.";

std::string randomBytes(std::size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char &c : bytes)
    c = static_cast<char>(generator() & 0xFFu);
  return bytes;
}

std::vector<std::string> directoryNames(const std::string &path) {
  std::vector<std::string> names;
  for (const auto &item : std::filesystem::directory_iterator(path))
    names.push_back(item.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Limits the size of files this process writes, for the time it lives; a write past the
// limit fails with EFBIG instead of raising SIGXFSZ.
class FileSizeLimit {
public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, saved_.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  FileSizeLimit(const FileSizeLimit &) = delete;
  FileSizeLimit &operator=(const FileSizeLimit &) = delete;
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, previousHandler_);
  }

private:
  rlimit saved_{};
  void (*previousHandler_)(int) = nullptr;
};

unsigned modeOf(const std::string &path) {
  struct stat status {};
  ::stat(path.c_str(), &status);
  return status.st_mode & 07777u;
}

class LauncherFileTest : public PayloadTest {
protected:
  // A launcher file in the test directory, and a LauncherFile reading it.
  LauncherFile &open(const LauncherFileBuilder &builder) {
    return openPath(builder.write(dir.file("setup.bin")));
  }
  LauncherFile &openRaw(const std::string &bytes) {
    writeFile(dir.file("setup.bin"), bytes);
    return openPath(dir.file("setup.bin"));
  }
  LauncherFile &openPath(const std::string &path) {
    launcherFile.setLauncherPath(SString(path));
    return launcherFile;
  }
  std::string readIndexError(bool parseTagEntries = true) {
    try {
      launcherFile.readIndex(parseTagEntries);
    } catch (const LauncherException &e) {
      return e.getMessage().str();
    }
    return "no error";
  }
  std::string extractError(const FileIndexEntry &entry, const std::string &directory) {
    try {
      launcherFile.extractEntry(entry, SString(directory));
    } catch (const LauncherException &e) {
      return e.getMessage().str();
    }
    return "no error";
  }

  LauncherFile launcherFile;
};
} // namespace

// --- The file index ---------------------------------------------------------------------

TEST_F(LauncherFileTest, FileWithoutIdentificationHasAnEmptyIndexAndLogsNothing) {
  openRaw("just an ordinary executable, long enough for a trailer");
  EXPECT_EQ(readIndexError(), "no error");
  EXPECT_TRUE(launcherFile.isIndexRead());
  EXPECT_EQ(launcherFile.getEntryCount(), 0);
  EXPECT_EQ(logText().find("file type: "), std::string::npos);

  // The index is read once: a second call does not look at the file again.
  LauncherFileBuilder()
      .add(FILE_INSTRUCTIONS, "inst.txt", "INSTRUCTIONS: x\n")
      .write(dir.file("setup.bin"));
  launcherFile.readIndex(true);
  EXPECT_EQ(launcherFile.getEntryCount(), 0);
}

TEST_F(LauncherFileTest, UnreadableOrBrokenFilesRaiseTheReadersText) {
  IndexRecord record;
  record.name = "x";
  IndexRecord badType = record;
  badType.type = 8;
  const std::string stub = "STUB";
  std::string beyond = stub;
  launcherformat::appendTrailer(beyond, 1, 0x00FFFFFFu);
  struct Case {
    const char *label;
    std::string bytes;
    const char *message;
  };
  const Case cases[] = {
      {"shorter than the trailer", "1234567", "Invalid launcher format."},
      {"index offset beyond the end", beyond, "Unable to read the file count."},
      {"type byte 8", rawLauncherFile(stub, rawIndex(1, rawRecord(badType))),
       "Invalid file type in file index."},
      // The second entry runs into the trailer: its type is the launcher type byte, its id
      // and length come from the trailer, and its offset from beyond the end.
      {"entry cut by the end of the file", rawLauncherFile(stub, rawIndex(2, rawRecord(record))),
       "Unable to load offset to file bytes."},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    LauncherFile fresh;
    writeFile(dir.file("broken.bin"), c.bytes);
    fresh.setLauncherPath(SString(dir.file("broken.bin")));
    try {
      fresh.readIndex(true);
      ADD_FAILURE() << "no error";
    } catch (const LauncherException &e) {
      EXPECT_EQ(e.getMessage(), c.message);
    }
    EXPECT_FALSE(fresh.isIndexRead());
  }

  openPath(dir.file("missing.bin"));
  EXPECT_EQ(readIndexError(), "Cannot open launcher file.");
  EXPECT_FALSE(launcherFile.isIndexRead());
}

TEST_F(LauncherFileTest, EntriesBeforeAFailedEntryStay) {
  IndexRecord first;
  first.type = FILE_VERIFY_ARCHIVE;
  first.id = 7;
  first.name = "Verify.jar";
  IndexRecord bad;
  bad.type = 9;
  openRaw(rawLauncherFile("STUB", rawIndex(2, rawRecord(first) + rawRecord(bad))));
  EXPECT_EQ(readIndexError(), "Invalid file type in file index.");
  ASSERT_EQ(launcherFile.getEntryCount(), 1);
  EXPECT_EQ(launcherFile.getEntry(0)->getId(), 7u);
}

TEST_F(LauncherFileTest, CountsOfTwoToTheThirtyFirstAndAboveGiveNoEntries) {
  for (std::uint32_t count : {0u, 0x80000000u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(count);
    LauncherFile fresh;
    writeFile(dir.file("count.bin"), rawLauncherFile("STUB", rawIndex(count)));
    fresh.setLauncherPath(SString(dir.file("count.bin")));
    fresh.readIndex(true);
    EXPECT_TRUE(fresh.isIndexRead());
    EXPECT_EQ(fresh.getEntryCount(), 0);
  }
  EXPECT_EQ(logText().find("file type: "), std::string::npos);
}

TEST_F(LauncherFileTest, LogsEveryEntryAsOnePlainFiveLineEntry) {
  IndexRecord verify;
  verify.type = FILE_VERIFY_ARCHIVE;
  verify.id = 1;
  verify.length = 650;
  verify.offset = 4096;
  verify.name = "Verify.jar";
  // A name the packager refuses, but an index may still hold it.
  IndexRecord unnamed;
  unnamed.type = FILE_APPLICATION_ARCHIVE;
  unnamed.id = 9;
  unnamed.length = 1;
  unnamed.offset = 4746;
  openRaw(
      rawLauncherFile(std::string(4747, 'S'), rawIndex(2, rawRecord(verify) + rawRecord(unnamed))));
  launcherFile.readIndex(false);
  const std::string log = logText();
  const std::string expected = "file type: 5\n"
                               "  file id: 1\n"
                               "  length: 650\n"
                               "  offset: 4096\n"
                               "  file name: Verify.jar\n"
                               "file type: 6\n"
                               "  file id: 9\n"
                               "  length: 1\n"
                               "  offset: 4746\n"
                               "  file name: \n";
  ASSERT_GE(log.size(), expected.size());
  EXPECT_EQ(log.substr(log.size() - expected.size()), expected);
  EXPECT_EQ(log.find("WARNING"), std::string::npos);
}

TEST_F(LauncherFileTest, LooksUpEntriesByPositionAndById) {
  open(LauncherFileBuilder()
           .launcherType(0)
           .add(FILE_CLASSPATH_ARCHIVE, 4, "first.jar", "1")
           .add(FILE_CLASSPATH_ARCHIVE, 4, "second.jar", "2")
           .add(FILE_LAUNCHER, 5, "qglaunch", "3"));
  launcherFile.readIndex(false);
  ASSERT_EQ(launcherFile.getEntryCount(), 3);
  EXPECT_EQ(launcherFile.getEntry(-1), nullptr);
  EXPECT_EQ(launcherFile.getEntry(3), nullptr);
  EXPECT_EQ(launcherFile.getEntry(2)->getName(), "qglaunch");
  EXPECT_EQ(launcherFile.findEntryById(4)->getName(), "first.jar");
  EXPECT_EQ(launcherFile.findEntryById(6), nullptr);
}

TEST_F(LauncherFileTest, ReadsTheLauncherTypeByteInFrontOfTheTrailer) {
  struct Case {
    const char *label;
    std::string bytes;
    int type;
  };
  std::string typeOnly = "T";
  launcherformat::appendU32(typeOnly, 0);
  launcherformat::appendU32(typeOnly, 0);
  const Case cases[] = {
      {"type 0", rawLauncherFile("STUB", rawIndex(0), 0), 0},
      {"type 2", rawLauncherFile("STUB", rawIndex(0), 2), 2},
      {"type 255", rawLauncherFile("STUB", rawIndex(0), 255), 255},
      {"exactly 9 bytes", typeOnly, 'T'},
      {"8 bytes", std::string(8, '\1'), -1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    writeFile(dir.file("typed.bin"), c.bytes);
    EXPECT_EQ(readLauncherType(SString(dir.file("typed.bin"))), c.type);
  }
  EXPECT_EQ(readLauncherType(SString(dir.file("missing.bin"))), -1);
}

// --- Roles of embedded and named files ----------------------------------------------------

TEST_F(LauncherFileTest, EmbeddedTagFilesTakeTheirRoles) {
  open(LauncherFileBuilder()
           .add(FILE_INSTRUCTIONS, "inst.txt", "INSTRUCTIONS:\n  INITIALIZE_UI\n/:\n")
           .add(FILE_JVM, "a.jvm", "DESC: first\n")
           .add(FILE_LAUNCH_SCRIPT, "launch.txt", "DESC: My Product\n")
           .add(FILE_APPLICATION_ARCHIVE, "app.jar", "no tag file: at all")
           .add(FILE_JVM, "b.jvm", "DESC: second\n"));
  launcherFile.readIndex(true);
  EXPECT_NE(launcherFile.getInstructions(), nullptr);
  const JVMFilePtrDeque &jvms = launcherFile.getJVMFiles().getJVMFiles();
  ASSERT_EQ(jvms.count(), 2);
  EXPECT_EQ(jvms.get(0)->getDescription(), "first");
  EXPECT_EQ(jvms.get(1)->getDescription(), "second");
  ASSERT_NE(launcherFile.getLaunchScript(), nullptr);
  EXPECT_EQ(launcherFile.getLaunchScript()->getDescription(), "My Product");
  EXPECT_EQ(getTitle(), "My Product");
  EXPECT_EQ(launcherFile.getEntry(3)->getTagFile(), nullptr);
  EXPECT_TRUE(launcherFile.areJVMFilesGiven());
}

TEST_F(LauncherFileTest, ExtractOptionReadsTheIndexWithoutParsing) {
  open(LauncherFileBuilder().add(FILE_INSTRUCTIONS, "inst.txt", "no colon here\n"));
  EXPECT_EQ(readIndexError(/*parseTagEntries=*/false), "no error");
  EXPECT_EQ(launcherFile.getEntry(0)->getTagFile(), nullptr);
  EXPECT_EQ(launcherFile.getInstructions(), nullptr);
}

TEST_F(LauncherFileTest, SyntaxErrorsOfEmbeddedFilesAreNotWrapped) {
  open(LauncherFileBuilder().add(FILE_INSTRUCTIONS, "inst.txt", "INSTRUCTIONS: x\nno colon\n"));
  EXPECT_EQ(readIndexError(),
            "Syntax error in inst.txt at line 2 ==> Missing colon at the end of the tag name.");
  EXPECT_FALSE(launcherFile.isIndexRead());
}

TEST_F(LauncherFileTest, InputFileRolesComeFirstAndThePayloadFillsTheRest) {
  writeFile(dir.file("disk.jvm"), "DESC: from disk\n");
  writeFile(dir.file("disk-launch.txt"), "DESC: Disk Product\n");
  open(LauncherFileBuilder()
           .add(FILE_INSTRUCTIONS, "inst.txt", "INSTRUCTIONS: x\n")
           .add(FILE_JVM, "a.jvm", "DESC: embedded\n")
           .add(FILE_LAUNCH_SCRIPT, "launch.txt", "DESC: Embedded Product\n"));
  TagFile input;
  input.setValue("LAUNCHSCRIPT", SString(dir.file("disk-launch.txt")));
  input.setValue("JVM", SString(dir.file("disk.jvm")));
  input.setValue("VERIFY_CLASSPATH", "verify.jar");
  input.setValue("VERIFY_CLASS_NAME", "Verify");
  input.setValue("UI_TITLE", "Input Title");
  launcherFile.applyInputFile(input);
  launcherFile.readIndex(true);

  const JVMFilePtrDeque &jvms = launcherFile.getJVMFiles().getJVMFiles();
  ASSERT_EQ(jvms.count(), 1);
  EXPECT_EQ(jvms.get(0)->getDescription(), "from disk");
  EXPECT_EQ(launcherFile.getLaunchScript()->getDescription(), "Disk Product");
  // The input file's title came after its launch script, and the payload's was not used.
  EXPECT_EQ(getTitle(), "Input Title");
  EXPECT_EQ(launcherFile.getJVMFiles().getVerifyClasspath(), "verify.jar");
  EXPECT_EQ(launcherFile.getJVMFiles().getVerifyClassName(), "Verify");
  // The open role was filled from the payload, and every embedded tag file was parsed.
  EXPECT_NE(launcherFile.getInstructions(), nullptr);
  EXPECT_NE(launcherFile.getEntry(1)->getTagFile(), nullptr);
  EXPECT_NE(launcherFile.getEntry(2)->getTagFile(), nullptr);
}

TEST_F(LauncherFileTest, PayloadTitleReplacesUiTitleWithoutANamedLaunchScript) {
  open(LauncherFileBuilder().add(FILE_LAUNCH_SCRIPT, "launch.txt", "DESC: Embedded Product\n"));
  TagFile input;
  input.setValue("UI_TITLE", "Input Title");
  input.setValue("VERIFY_CLASSPATH", "verify.jar"); // without a class name: not used
  launcherFile.applyInputFile(input);
  EXPECT_EQ(getTitle(), "Input Title");
  launcherFile.readIndex(true);
  EXPECT_EQ(getTitle(), "Embedded Product");
  EXPECT_TRUE(launcherFile.getJVMFiles().getVerifyClasspath().isEmpty());
}

TEST_F(LauncherFileTest, AnEmptyJvmValueSettlesTheJvmFiles) {
  open(LauncherFileBuilder().add(FILE_JVM, "a.jvm", "DESC: embedded\n"));
  TagFile input;
  input.setValue("JVM", "");
  launcherFile.applyInputFile(input);
  EXPECT_TRUE(launcherFile.areJVMFilesGiven());
  launcherFile.readIndex(true);
  EXPECT_EQ(launcherFile.getJVMFiles().getJVMFiles().count(), 0);
  EXPECT_NE(launcherFile.getEntry(0)->getTagFile(), nullptr);
}

TEST_F(LauncherFileTest, NamedFilesThatFailCarryTheRolesText) {
  writeFile(dir.file("bad.txt"), "no colon\n");
  const std::string missing = dir.file("missing.txt");
  const std::string bad = dir.file("bad.txt");
  const std::string syntax =
      "Syntax error in " + bad + " at line 1 ==> Missing colon at the end of the tag name.";
  struct Case {
    const char *tag;
    std::string path;
    std::string message;
  };
  const Case cases[] = {
      {"INSTRUCTIONS", missing,
       "Error loading instructions file.Unable to load input file: " + missing},
      {"INSTRUCTIONS", bad, "Error loading instructions file." + syntax},
      {"LAUNCHSCRIPT", missing,
       "Error loading launch script.Unable to load input file: " + missing},
      {"JVM", bad, "Error loading JVM file." + syntax},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.tag) + " " + c.path);
    LauncherFile fresh;
    TagFile input;
    input.setValue(c.tag, SString(c.path));
    try {
      fresh.applyInputFile(input);
      ADD_FAILURE() << "no error";
    } catch (const LauncherException &e) {
      EXPECT_EQ(e.getMessage().str(), c.message);
    }
  }
}

TEST_F(LauncherFileTest, LoadTagFileOwnsWhatItReadsAndKeepsNothingOnFailure) {
  writeFile(dir.file("a.txt"), "KEY: value\n");
  TagFile *tagFile = launcherFile.loadTagFile(SString(dir.file("a.txt")));
  ASSERT_NE(tagFile, nullptr);
  EXPECT_EQ(tagFile->getValue("KEY"), "value");
  EXPECT_THROW(launcherFile.loadTagFile(SString(dir.file("none.txt"))), LauncherException);
}

// --- Extraction ---------------------------------------------------------------------------

TEST_F(LauncherFileTest, ExtractsIntoTheNamedDirectoryWithOneSeparator) {
  open(LauncherFileBuilder().add(FILE_APPLICATION_ARCHIVE, "app.jar", "archive bytes"));
  launcherFile.readIndex(false);
  const FileIndexEntry &entry = *launcherFile.getEntry(0);
  ::mkdir(dir.file("out").c_str(), 0755);
  struct Case {
    std::string directory;
    std::string path;
  };
  const Case cases[] = {
      {dir.file("out"), dir.file("out") + "/app.jar"},
      {dir.file("out") + "/", dir.file("out") + "/app.jar"},
      {"", "app.jar"},
  };
  WorkingDirectory inside(dir.file("out"));
  for (const Case &c : cases) {
    SCOPED_TRACE(c.directory);
    ::unlink(dir.file("out/app.jar").c_str());
    EXPECT_EQ(launcherFile.extractEntry(entry, SString(c.directory)).str(), c.path);
    EXPECT_EQ(readFile(dir.file("out/app.jar")), "archive bytes");
  }
}

TEST_F(LauncherFileTest, ExtractionCopiesBlockByBlockWithOneProgressStepEach) {
  const std::string content = randomBytes(2 * 61439 + 5, 1);
  open(LauncherFileBuilder().add(FILE_APPLICATION_ARCHIVE, "app.jar", content));
  launcherFile.readIndex(false);
  setProgress(0);
  const SString path = launcherFile.extractEntry(*launcherFile.getEntry(0), SString(dir.path()));
  EXPECT_TRUE(readFile(path.str()) == content);
  // Three blocks, each a step of 1, which counts twice.
  EXPECT_EQ(getProgress(), 6);
  EXPECT_EQ(consoleText(), "...");
}

// A launcher cut short (an interrupted download) must not pass for a good one: an entry
// whose bytes are missing is refused when it is used, and nothing is written for it.
TEST_F(LauncherFileTest, EntriesBeyondTheEndOfTheFileAreRefusedWhenUsed) {
  IndexRecord archive;
  archive.type = FILE_APPLICATION_ARCHIVE;
  archive.name = "app.jar";
  archive.length = 100000;
  archive.offset = 6; // inside the stub "STUBSTUB"
  IndexRecord script = archive;
  script.type = FILE_INSTRUCTIONS;
  script.name = "inst.txt";
  openRaw(rawLauncherFile("STUBSTUB", rawIndex(2, rawRecord(archive) + rawRecord(script))));
  // Listing the index is no use of the entries.
  EXPECT_EQ(readIndexError(/*parseTagEntries=*/false), "no error");
  EXPECT_EQ(extractError(*launcherFile.getEntry(0), dir.path()),
            "The launcher file is damaged or incomplete: the embedded file app.jar lies beyond "
            "its end.");
  EXPECT_FALSE(std::filesystem::exists(dir.file("app.jar")));

  LauncherFile parsed;
  parsed.setLauncherPath(SString(dir.file("setup.bin")));
  try {
    parsed.readIndex(/*parseTagEntries=*/true);
    ADD_FAILURE() << "no error";
  } catch (const LauncherException &e) {
    EXPECT_EQ(e.getMessage(), "The launcher file is damaged or incomplete: the embedded file "
                              "inst.txt lies beyond its end.");
  }
  EXPECT_EQ(parsed.getInstructions(), nullptr);
}

TEST_F(LauncherFileTest, InstallersAndLaunchersAreMadeExecutable) {
  const mode_t savedMask = ::umask(022);
  LauncherFileBuilder builder;
  for (int type = FILE_CLASSPATH_ARCHIVE; type <= FILE_LAUNCHER; ++type)
    builder.add(static_cast<FileType>(type), "file" + std::to_string(type), "#!/bin/sh\n");
  open(builder);
  launcherFile.readIndex(false);
  for (const FileIndexEntry &entry : launcherFile.getEntries()) {
    SCOPED_TRACE(entry.getType());
    const SString path = launcherFile.extractEntry(entry, SString(dir.path()));
    const bool program = entry.getType() == FILE_JVM_INSTALLER || entry.getType() == FILE_LAUNCHER;
    EXPECT_EQ(modeOf(path.str()), program ? 0755u : 0644u);
  }
  ::umask(savedMask);
}

TEST_F(LauncherFileTest, RefusesNamesThatLeaveTheDirectoryOrTheInputFile) {
  // A NUL byte would cut the name short when the file is created; a line feed would break
  // the input.tag that names the file.
  // The line feed comes last: the index reader ends a name after it, and the byte after
  // it is then read as the compressed byte.
  const std::string names[] = {
      "", ".", "..", "a/b", "../escape", "/etc/pw", "d/", std::string("a\0b", 3), "a\nb"};
  std::string records;
  for (const std::string &name : names) {
    IndexRecord record;
    record.type = FILE_APPLICATION_ARCHIVE;
    record.name = name;
    records += rawRecord(record);
  }
  openRaw(rawLauncherFile("STUB", rawIndex(std::size(names), records)));
  launcherFile.readIndex(false);
  ::mkdir(dir.file("out").c_str(), 0755);
  ASSERT_EQ(launcherFile.getEntryCount(), static_cast<int>(std::size(names)));
  for (int i = 0; i < launcherFile.getEntryCount(); ++i) {
    SCOPED_TRACE(i);
    // A name with a line feed is read only up to it, as the index reader does.
    const std::string read = names[i] == "a\nb" ? "a\n" : names[i];
    EXPECT_EQ(extractError(*launcherFile.getEntry(i), dir.file("out")),
              "Invalid embedded file name: " + read);
  }
  EXPECT_TRUE(directoryNames(dir.file("out")).empty());
}

// What already has an entry's name is replaced, never written through: a link to a file
// elsewhere, a dangling link, a FIFO (which would block a writer for ever) and a link for an
// installer (whose execute bits would go to the target).
TEST_F(LauncherFileTest, ExtractionReplacesLinksAndFifosInsteadOfWritingThroughThem) {
  open(LauncherFileBuilder()
           .add(FILE_APPLICATION_ARCHIVE, "app.jar", "new archive")
           .add(FILE_CLASSPATH_ARCHIVE, "lib.jar", "new library")
           .add(FILE_VERIFY_ARCHIVE, "Verify.jar", "new class")
           .add(FILE_JVM_INSTALLER, "installer", "#!/bin/sh\n"));
  launcherFile.readIndex(false);
  const std::string out = dir.file("out");
  const std::string victim = dir.file("victim");
  ::mkdir(out.c_str(), 0755);
  ::mkdir(victim.c_str(), 0755);
  writeFile(victim + "/file", "precious");
  writeFile(victim + "/script", "precious too");
  ::chmod((victim + "/script").c_str(), 0600);
  ASSERT_EQ(::symlink("../victim/file", (out + "/app.jar").c_str()), 0);
  ASSERT_EQ(::symlink("../victim/created-through-link", (out + "/lib.jar").c_str()), 0);
  ASSERT_EQ(::mkfifo((out + "/Verify.jar").c_str(), 0644), 0);
  ASSERT_EQ(::symlink("../victim/script", (out + "/installer").c_str()), 0);
  ASSERT_EQ(::symlink("../victim/file", (out + "/input.tag").c_str()), 0);
  {
    WorkingDirectory inside(out);
    launcherFile.extractAll();
  }
  EXPECT_EQ(readFile(victim + "/file"), "precious");
  EXPECT_EQ(modeOf(victim + "/script"), 0600u);
  EXPECT_EQ(directoryNames(victim), (std::vector<std::string>{"file", "script"}));
  for (const char *name : {"app.jar", "lib.jar", "Verify.jar", "installer", "input.tag"}) {
    SCOPED_TRACE(name);
    struct stat status {};
    ASSERT_EQ(::lstat((out + "/" + name).c_str(), &status), 0);
    EXPECT_TRUE(S_ISREG(status.st_mode));
  }
  EXPECT_EQ(readFile(out + "/app.jar"), "new archive");
  EXPECT_EQ(readFile(out + "/input.tag"), "ACTION:  RUN_INSTRUCTIONS\n");
  EXPECT_EQ(modeOf(out + "/installer") & 0111u, 0111u);
  // Nothing half-made is left beside the files.
  EXPECT_EQ(directoryNames(out).size(), 5u);
}

TEST_F(LauncherFileTest, ADirectoryWithTheNameStopsTheExtractionBeforeAnythingIsWritten) {
  open(LauncherFileBuilder()
           .add(FILE_APPLICATION_ARCHIVE, "first.jar", "a")
           .add(FILE_APPLICATION_ARCHIVE, "app.jar", "b")
           .add(FILE_APPLICATION_ARCHIVE, "late.jar", "c"));
  launcherFile.readIndex(false);
  const std::string out = dir.file("out");
  ::mkdir(out.c_str(), 0755);
  ::mkdir((out + "/app.jar").c_str(), 0755);
  WorkingDirectory inside(out);
  try {
    launcherFile.extractAll();
    ADD_FAILURE() << "no error";
  } catch (const LauncherException &e) {
    EXPECT_EQ(e.getMessage(), "Cannot write app.jar: a directory of that name is in the way.");
  }
  EXPECT_EQ(directoryNames(out), (std::vector<std::string>{"app.jar", "first.jar"}));
  EXPECT_TRUE(directoryNames(out + "/app.jar").empty());
}

TEST_F(LauncherFileTest, WritingErrorsCarryTheErrorNumberBetweenTheTwoTexts) {
  open(LauncherFileBuilder()
           .add(FILE_APPLICATION_ARCHIVE, "app.jar", "x")
           .compressed(0xFFFFFFFFu, 0xFFFFFFFFu));
  launcherFile.readIndex(false);
  const FileIndexEntry &entry = *launcherFile.getEntry(0);
  EXPECT_EQ(getErrorText(ERR_WRITING_FILE), "Error writing file = ");
  EXPECT_EQ(getErrorText(ERR_DISK_SPACE).str(), kNoSpaceText);
  // No file system has room for four billion files: no number, the texts meet directly.
  EXPECT_EQ(extractError(entry, dir.path()), "Error writing file = " + kNoSpaceText);
  EXPECT_FALSE(std::filesystem::exists(dir.file("app.jar")));

  LauncherFile plain;
  LauncherFileBuilder()
      .add(FILE_APPLICATION_ARCHIVE, "app.jar", std::string(1000, 'x'))
      .write(dir.file("plain.bin"));
  plain.setLauncherPath(SString(dir.file("plain.bin")));
  plain.readIndex(false);
  // A file size limit stops the write (EFBIG) as a full disk would, even for root.
  ::mkdir(dir.file("out").c_str(), 0755);
  std::string message = "no error";
  {
    FileSizeLimit limit(100);
    try {
      plain.extractEntry(*plain.getEntry(0), SString(dir.file("out")));
    } catch (const LauncherException &e) {
      message = e.getMessage().str();
    }
  }
  EXPECT_EQ(message, "Error writing file = 27" + kNoSpaceText);
  // Neither the file nor a half-written one beside it stays.
  EXPECT_TRUE(directoryNames(dir.file("out")).empty());
}

TEST_F(LauncherFileTest, ExtractAllWritesEveryFileAndAMatchingInputFile) {
  const std::string archive = randomBytes(61439 + 17, 2);
  open(LauncherFileBuilder()
           .add(FILE_INSTRUCTIONS, "inst.txt", "INSTRUCTIONS: x\n")
           .add(FILE_JVM, "a.jvm", "DESC: a\n")
           .add(FILE_APPLICATION_ARCHIVE, "app.jar", archive)
           .add(FILE_JVM, "b.jvm", "DESC: b\n")
           .add(FILE_LAUNCH_SCRIPT, "launch.txt", "DESC: Product\n")
           .add(FILE_JVM_INSTALLER, "installer", "#!/bin/sh\n"));
  launcherFile.readIndex(false);
  ::mkdir(dir.file("out").c_str(), 0755);
  {
    WorkingDirectory inside(dir.file("out"));
    launcherFile.extractAll();
  }
  EXPECT_EQ(directoryNames(dir.file("out")),
            (std::vector<std::string>{"a.jvm", "app.jar", "b.jvm", "input.tag", "inst.txt",
                                      "installer", "launch.txt"}));
  EXPECT_EQ(readFile(dir.file("out/inst.txt")), "INSTRUCTIONS: x\n");
  EXPECT_TRUE(readFile(dir.file("out/app.jar")) == archive);
  EXPECT_EQ(readFile(dir.file("out/launch.txt")), "DESC: Product\n");
  EXPECT_EQ(modeOf(dir.file("out/installer")) & 0111u, 0111u);
  EXPECT_EQ(readFile(dir.file("out/input.tag")), "ACTION:  RUN_INSTRUCTIONS\n"
                                                 "INSTRUCTIONS:  inst.txt\n"
                                                 "JVM:\n"
                                                 "  a.jvm\n"
                                                 "  b.jvm\n"
                                                 "/:\n"
                                                 "LAUNCHSCRIPT:  launch.txt\n");
}

TEST_F(LauncherFileTest, ExtractAllWithoutIndexWritesOnlyTheAction) {
  openRaw("no index in this file at all");
  launcherFile.readIndex(false);
  ::mkdir(dir.file("out").c_str(), 0755);
  {
    WorkingDirectory inside(dir.file("out"));
    launcherFile.extractAll();
  }
  EXPECT_EQ(directoryNames(dir.file("out")), std::vector<std::string>{"input.tag"});
  EXPECT_EQ(readFile(dir.file("out/input.tag")), "ACTION:  RUN_INSTRUCTIONS\n");
}

TEST_F(LauncherFileTest, ExtractAllStopsAtTheFirstErrorAndKeepsWhatItWrote) {
  std::string records;
  for (const char *name : {"app.jar", "../up.jar", "late.jar"}) {
    IndexRecord record;
    record.type = FILE_APPLICATION_ARCHIVE;
    record.name = name;
    records += rawRecord(record);
  }
  openRaw(rawLauncherFile("STUB", rawIndex(3, records)));
  launcherFile.readIndex(false);
  ::mkdir(dir.file("out").c_str(), 0755);
  WorkingDirectory inside(dir.file("out"));
  EXPECT_THROW(launcherFile.extractAll(), LauncherException);
  EXPECT_EQ(directoryNames(dir.file("out")), std::vector<std::string>{"app.jar"});
}
