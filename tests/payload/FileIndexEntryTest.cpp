// Tests of reading one index entry from a stream and parsing a tag-file entry in place.
#include "payload/FileIndexEntry.h"

#include "base/Handles.h"
#include "base/LauncherException.h"
#include "payload/LauncherFileFormat.h"
#include "tests/payload/PayloadTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {
using launcherformat::IndexRecord;

// A read-only stream over a copy of bytes, which stays alive with the stream.
class MemoryStream {
public:
  explicit MemoryStream(std::string bytes) : bytes_(std::move(bytes)) {
    file_.reset(::fmemopen(bytes_.data(), bytes_.size(), "rb"));
  }
  std::FILE *get() const { return file_.get(); }

private:
  std::string bytes_;
  UniqueFile file_;
};

std::string encode(const IndexRecord &record) {
  std::string bytes;
  launcherformat::appendIndexRecord(bytes, record);
  return bytes;
}

std::string readError(const std::string &bytes) {
  MemoryStream stream(bytes);
  FileIndexEntry entry;
  try {
    entry.read(stream.get());
  } catch (const LauncherException &e) {
    return e.getMessage().str();
  }
  return "no error";
}
} // namespace

TEST(FileIndexEntry, EncodesAndReadsTheDocumentedLaunchScriptEntry) {
  const std::string documented("\x02"
                               "\x00\x00\x00\x02"
                               "\x00\x00\x03\x08"
                               "\x00\x00\x10\x00"
                               "\x00\x0A"
                               "launch.txt"
                               "\x00",
                               26);
  IndexRecord record;
  record.type = FILE_LAUNCH_SCRIPT;
  record.id = 2;
  record.length = 776;
  record.offset = 4096;
  record.name = "launch.txt";
  EXPECT_EQ(encode(record), documented);

  MemoryStream stream(documented + "rest");
  FileIndexEntry entry;
  entry.read(stream.get());
  EXPECT_EQ(entry.getType(), FILE_LAUNCH_SCRIPT);
  EXPECT_EQ(entry.getId(), 2u);
  EXPECT_EQ(entry.getLength(), 776u);
  EXPECT_EQ(entry.getOffset(), 4096u);
  EXPECT_EQ(entry.getName(), "launch.txt");
  EXPECT_FALSE(entry.isCompressed());
  EXPECT_EQ(entry.getTagFile(), nullptr);
  EXPECT_EQ(std::ftell(stream.get()), 26);
}

TEST(FileIndexEntry, NewEntryHasNoIdAndNoName) {
  FileIndexEntry entry;
  EXPECT_EQ(entry.getId(), 0xFFFFFFFFu);
  EXPECT_TRUE(entry.getName().isEmpty());
  EXPECT_EQ(entry.getLength(), 0u);
  EXPECT_EQ(entry.getTagFile(), nullptr);
}

TEST(FileIndexEntry, CompressedByteOneReadsTheTwoNumbersAndOtherValuesReadNothing) {
  IndexRecord record;
  record.type = FILE_APPLICATION_ARCHIVE;
  record.name = "app.jar";
  record.compressed = true;
  record.decompressedFileCount = 3;
  record.decompressedSize = 500;
  {
    MemoryStream stream(encode(record));
    FileIndexEntry entry;
    entry.read(stream.get());
    EXPECT_TRUE(entry.isCompressed());
    EXPECT_EQ(entry.getDecompressedFileCount(), 3u);
    EXPECT_EQ(entry.getDecompressedSize(), 500u);
  }
  // A compressed byte of 2 is a plain file: the next bytes belong to the next entry.
  record.compressed = false;
  std::string bytes = encode(record);
  bytes.back() = '\x02';
  MemoryStream stream(bytes + "next");
  FileIndexEntry entry;
  entry.read(stream.get());
  EXPECT_FALSE(entry.isCompressed());
  EXPECT_EQ(entry.getDecompressedFileCount(), 0u);
  EXPECT_EQ(std::ftell(stream.get()), static_cast<long>(bytes.size()));
}

TEST(FileIndexEntry, NameEndsAtItsLengthAfterALineFeedOrAtTheEnd) {
  struct Case {
    const char *label;
    std::string bytes;
    std::string name;
    bool compressed;
  };
  IndexRecord empty;
  IndexRecord lineFeed;
  lineFeed.name = "ab\ncd";
  IndexRecord cut;
  cut.name = "abcdef";
  // The name runs into the end of the stream: no error, and no compressed byte either.
  std::string truncated = encode(cut);
  truncated.resize(truncated.size() - 4);
  const Case cases[] = {
      {"length 0", encode(empty), "", false},
      // The bytes after the line feed are read as the compressed byte and beyond.
      {"line feed", encode(lineFeed), "ab\n", false},
      {"end of stream", truncated, "abc", false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    MemoryStream stream(c.bytes);
    FileIndexEntry entry;
    entry.read(stream.get());
    EXPECT_EQ(entry.getName().str(), c.name);
    EXPECT_EQ(entry.isCompressed(), c.compressed);
  }
}

TEST(FileIndexEntry, EveryFieldThatEndsEarlyNamesItself) {
  IndexRecord record;
  record.type = FILE_JVM;
  record.name = "j";
  record.compressed = true;
  const std::string full = encode(record);
  struct Case {
    std::size_t keep; // bytes of the encoded entry left in the stream
    const char *message;
  };
  const Case cases[] = {
      {0, "Invalid file type in file index."},   {1, "Unable to load file id."},
      {8, "Unable to load file length."},        {12, "Unable to load offset to file bytes."},
      {14, "Unable to load the string value."},  {17, "Unable to load decompressed file count."},
      {23, "Unable to load decompressed size."},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.keep);
    EXPECT_EQ(readError(full.substr(0, c.keep)), c.message);
  }
  EXPECT_EQ(readError(full), "no error");
}

TEST(FileIndexEntry, TypesAboveSevenAreRefused) {
  IndexRecord record;
  record.type = FILE_LAUNCHER;
  EXPECT_EQ(readError(encode(record)), "no error");
  for (int type : {8, 0x80, 0xFF}) {
    SCOPED_TRACE(type);
    record.type = type;
    EXPECT_EQ(readError(encode(record)), "Invalid file type in file index.");
  }
}

TEST(FileIndexEntry, OnlyScriptsJvmFilesAndLaunchScriptsAreTagFiles) {
  for (int type = 0; type <= FILE_LAUNCHER; ++type) {
    SCOPED_TRACE(type);
    IndexRecord record;
    record.type = type;
    MemoryStream stream(encode(record));
    FileIndexEntry entry;
    entry.read(stream.get());
    EXPECT_EQ(entry.isTagFile(), type <= FILE_LAUNCH_SCRIPT);
  }
}

TEST_F(PayloadTest, FileIndexEntryParsesItsByteRangeOnly) {
  const std::string before = "garbage without a colon\n";
  const std::string content = "DESC: Product\nJVM_EXE: bin/java\n";
  IndexRecord record;
  record.type = FILE_JVM;
  record.name = "a.jvm";
  record.offset = static_cast<std::uint32_t>(before.size());
  record.length = static_cast<std::uint32_t>(content.size());
  // Parsing reads from the stream at the entry's offset; the record itself is read first.
  MemoryStream index(encode(record));
  FileIndexEntry entry;
  entry.read(index.get());

  MemoryStream launcher(before + content + "AFTER: not in range\n");
  entry.parseTagFile(launcher.get());
  ASSERT_NE(entry.getTagFile(), nullptr);
  EXPECT_EQ(entry.getTagFile()->getValue("DESC"), "Product");
  EXPECT_EQ(entry.getTagFile()->getValue("JVM_EXE"), "bin/java");
  EXPECT_EQ(entry.getTagFile()->getValueCount("AFTER"), 0);
  EXPECT_EQ(entry.getTagFile()->getFileName(), "a.jvm");
}

TEST_F(PayloadTest, FileIndexEntryPassesSyntaxErrorsOnAndKeepsNoTagFile) {
  IndexRecord record;
  record.type = FILE_INSTRUCTIONS;
  record.name = "inst.txt";
  record.length = 9;
  MemoryStream index(encode(record));
  FileIndexEntry entry;
  entry.read(index.get());
  MemoryStream launcher("no colon\n");
  try {
    entry.parseTagFile(launcher.get());
    FAIL() << "no error";
  } catch (const LauncherException &e) {
    EXPECT_EQ(e.getMessage(),
              "Syntax error in inst.txt at line 1 ==> Missing colon at the end of the tag name.");
  }
  EXPECT_EQ(entry.getTagFile(), nullptr);

  // Other types are never parsed.
  record.type = FILE_VERIFY_ARCHIVE;
  MemoryStream archiveIndex(encode(record));
  FileIndexEntry archive;
  archive.read(archiveIndex.get());
  MemoryStream archiveBytes("no colon\n");
  archive.parseTagFile(archiveBytes.get());
  EXPECT_EQ(archive.getTagFile(), nullptr);
}
