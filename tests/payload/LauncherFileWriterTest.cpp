// Tests of the launcher file writer: the exact layout it produces and what it refuses.
#include "payload/LauncherFileWriter.h"
#include "payload/IntegrityRecord.h"

#include "base/Handles.h"
#include "base/LauncherException.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>

namespace {
std::string writeToFile(const LauncherFileWriter &writer, const std::string &path) {
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
  writer.write(fd.get());
  fd.reset();
  return readFile(path);
}

std::string validationError(const EmbeddedFile &file) {
  LauncherFileWriter writer;
  writer.addFile(file);
  try {
    writer.validate();
  } catch (const LauncherException &e) {
    return e.getMessage().str();
  }
  return "no error";
}
} // namespace

TEST(LauncherFileWriter, WritesStubFilesIndexTypeByteAndTrailer) {
  TempDir dir;
  writeFile(dir.file("source.jar"), "JAR");
  LauncherFileWriter writer;
  writer.setStub("STUB");
  writer.setLauncherType(2);
  writer.setIntegrityRecord(false);
  EmbeddedFile script;
  script.type = FILE_LAUNCH_SCRIPT;
  script.id = 7;
  script.name = "l.txt";
  script.content = "DESC: x\n";
  writer.addFile(script);
  EmbeddedFile archive;
  archive.type = FILE_APPLICATION_ARCHIVE;
  archive.id = 1;
  archive.name = "app.jar";
  archive.sourcePath = SString(dir.file("source.jar"));
  archive.compressed = true;
  archive.decompressedFileCount = 3;
  archive.decompressedSize = 500;
  writer.addFile(archive);

  const std::string expected = std::string("STUB"
                                           "DESC: x\n"
                                           "JAR"
                                           "\x00\x00\x00\x02"
                                           "\x02\x00\x00\x00\x07\x00\x00\x00\x08\x00\x00\x00\x04"
                                           "\x00\x05l.txt\x00"
                                           "\x06\x00\x00\x00\x01\x00\x00\x00\x03\x00\x00\x00\x0C"
                                           "\x00\x07"
                                           "app.jar\x01\x00\x00\x00\x03\x00\x00\x01\xF4"
                                           "\x02\x00\x00\x00\x0F\xCA\x82\xCA\x82",
                                           15 + 4 + 21 + 31 + 9);
  EXPECT_EQ(writeToFile(writer, dir.file("out.bin")), expected);
}

TEST(LauncherFileWriter, RefusesEntriesTheReaderCouldNotGiveBack) {
  EmbeddedFile longest;
  longest.name = SString(std::string(32767, 'n'));
  EXPECT_EQ(validationError(longest), "no error");

  EmbeddedFile tooLong;
  tooLong.name = SString(std::string(32768, 'n'));
  EmbeddedFile lineFeed;
  lineFeed.name = "a\nb";
  EmbeddedFile nul;
  nul.name = SString("a\0b", 3);
  EmbeddedFile badType;
  badType.type = 8;
  badType.name = "x";
  EmbeddedFile missing;
  missing.name = "m";
  missing.sourcePath = "/nonexistent/file.jar";
  struct Case {
    const char *label;
    const EmbeddedFile &file;
    std::string message;
  };
  const Case cases[] = {
      {"too long", tooLong,
       "Embedded file name is longer than 32767 bytes: " + std::string(40, 'n') + "..."},
      {"line feed", lineFeed, "Invalid embedded file name: a\nb"},
      {"NUL", nul, "Invalid embedded file name: " + std::string("a\0b", 3)},
      {"type 8", badType, "Invalid embedded file type: 8"},
      {"missing source", missing, "Cannot read /nonexistent/file.jar: No such file or directory"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(validationError(c.file), c.message);
  }
}

TEST(LauncherFileWriter, AlignsOnlyEntriesLargerThanTheAlignment) {
  TempDir dir;
  LauncherFileWriter writer;
  writer.setStub("STUB");
  writer.setAlignment(16);
  EmbeddedFile small;
  small.name = "small";
  small.content = "0123456789";
  writer.addFile(small);
  EmbeddedFile large;
  large.type = FILE_APPLICATION_ARCHIVE;
  large.name = "large";
  large.content = std::string(40, 'L');
  writer.addFile(large);

  const std::string bytes = writeToFile(writer, dir.file("setup.bin"));
  // The small entry follows the stub directly; the large one starts at the next multiple.
  EXPECT_EQ(bytes.substr(0, 14), "STUB0123456789");
  EXPECT_EQ(bytes.substr(14, 2), std::string(2, '\0'));
  EXPECT_EQ(bytes.substr(16, 40), std::string(40, 'L'));
  const std::string largeRecord = std::string("\x06\x00\x00\x00\x00\x00\x00\x00\x28"
                                              "\x00\x00\x00\x10\x00\x05large\x00",
                                              21);
  EXPECT_NE(bytes.find(largeRecord), std::string::npos);
}

// The integrity record follows the index and fills the gap before the type byte: the
// magic, the version, the index digest, the count and one digest per entry.
TEST(LauncherFileWriter, WritesTheIntegrityRecordAfterTheIndex) {
  TempDir dir;
  writeFile(dir.file("source.jar"), "JAR bytes");
  LauncherFileWriter writer;
  writer.setStub("STUB");
  EmbeddedFile script;
  script.type = FILE_INSTRUCTIONS;
  script.name = "inst.txt";
  script.content = "INSTRUCTIONS: x\n";
  writer.addFile(script);
  EmbeddedFile archive;
  archive.type = FILE_APPLICATION_ARCHIVE;
  archive.id = 1;
  archive.name = "app.jar";
  archive.sourcePath = SString(dir.file("source.jar"));
  writer.addFile(archive);
  const std::string bytes = writeToFile(writer, dir.file("out.bin"));

  const std::size_t indexOffset = 4 + 16 + 9;
  const std::size_t indexSize = 4 + (16 + 8) + (16 + 7);
  const std::string index = bytes.substr(indexOffset, indexSize);
  const std::string record =
      bytes.substr(indexOffset + indexSize, bytes.size() - 9 - indexOffset - indexSize);
  ASSERT_EQ(record.size(), 4u + 1 + 16 + 4 + 2 * 16);
  EXPECT_EQ(record.substr(0, 5), std::string("QGIR\x01", 5));
  const auto digestText = [](const Digest &digest) {
    return std::string(reinterpret_cast<const char *>(digest.data()), digest.size());
  };
  EXPECT_EQ(record.substr(5, 16), digestText(digestOf(index)));
  EXPECT_EQ(record.substr(21, 4), std::string("\0\0\0\x02", 4));
  EXPECT_EQ(record.substr(25, 16), digestText(digestOf(std::string_view("INSTRUCTIONS: x\n"))));
  EXPECT_EQ(record.substr(41, 16), digestText(digestOf(std::string_view("JAR bytes"))));
  // The trailer still points at the index.
  EXPECT_EQ(bytes.substr(bytes.size() - 8, 4), std::string("\0\0\0\x1d", 4));
  // What the reader makes of it.
  const std::optional<IntegrityRecord> decoded = IntegrityRecord::decode(record);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->indexDigest, digestOf(index));
  EXPECT_EQ(decoded->entryDigests.size(), 2u);
  EXPECT_FALSE(IntegrityRecord::decode(record.substr(0, record.size() - 1)).has_value());
  EXPECT_FALSE(IntegrityRecord::decode("QGIR\x02" + record.substr(5)).has_value());
}
