// Tests of the tag-file reader, queries, changes and writer.
#include "tagfile/TagFile.h"

#include "base/Handles.h"
#include "base/LauncherException.h"
#include "base/Log.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Every tag as NAME=[v1|v2]; in order, so one string shows names, values and order.
std::string dump(const TagFile &tags) {
  std::string out;
  for (const TagFileEntry &entry : tags.getEntries()) {
    out += entry.getName().str() + "=[";
    bool first = true;
    for (const SString &value : entry.getValues()) {
      out += (first ? "" : "|") + value.str();
      first = false;
    }
    out += "];";
  }
  return out;
}

std::string parseError(TagFile &tags, std::string_view text) {
  try {
    tags.parse(text, "setup.tag");
  } catch (const LauncherException &e) {
    return e.getMessage().str();
  }
  return "no error";
}

// A stream over the given bytes that closes itself.
UniqueFile streamOf(const std::string &bytes) {
  UniqueFile file(std::tmpfile());
  std::fwrite(bytes.data(), 1, bytes.size(), file.get());
  std::rewind(file.get());
  return file;
}

class TagFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    resetLogForTesting();
    setLogFile(SString(logPath().c_str()));
  }
  void TearDown() override { resetLogForTesting(); }
  std::string logPath() const { return dir.file("launch.log"); }
  std::string logText() const { return readFile(logPath()); }

  TempDir dir;
};

TEST_F(TagFileTest, ParsesTheFormat) {
  struct Case {
    const char *text;
    const char *expected;
  };
  const Case cases[] = {
      {"", ""},
      {"\n   \n\t\r\n", ""},
      {"DESC: My product\n", "DESC=[My product];"},
      {"  URL : http://host:80/x  \r\n", "URL=[http://host:80/x];"},
      {"MY TAG:v", "MY TAG=[v];"},
      {": nameless", "=[nameless];"},
      {"EMPTY:\n/:\n", ""},
      {"L:\n  one\n\n  two words\n   /:  \r\nNEXT: 1", "L=[one|two words];NEXT=[1];"},
      {"L:\n/:x\n/:", "L=[/:x];"},
      // A tag defined again replaces the first one and moves behind the tags between them.
      {"A: 1\nB: 2\nA:\n 3\n 4\n/:\n", "B=[2];A=[3|4];"},
      {"A: 1\nB: 2\nA:\n/:\n", "B=[2];"},
      // Quoted values keep blanks and quotes, and drop what follows the closing quote.
      {"ARCHIVE: \"\"\"%APPLICATION_ARCHIVE%()\"\"\"", "ARCHIVE=[\"%APPLICATION_ARCHIVE%()\"];"},
      {"A: \"word\" and more", "A=[word];"},
      {"A: \"  padded \"", "A=[  padded ];"},
      {"A: \"\"", "A=[];"},
      // Only a bare terminator ends a list; a quoted one is a value.
      {"L:\n \"\"\n \" x \"\n \"/:\"\n/:\nB: 2", "L=[ x |/:];B=[2];"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    TagFile tags;
    tags.parse(c.text, "setup.tag");
    EXPECT_EQ(dump(tags), c.expected);
  }
  EXPECT_EQ(logText(), "");
}

TEST_F(TagFileTest, ParseKeepsTagsThatTheTextDoesNotReplace) {
  TagFile tags;
  tags.parse("A: 1\nB: 2\n", "first.tag");
  tags.parse("B: 3\nC: 4\n", "second.tag");
  EXPECT_EQ(dump(tags), "A=[1];B=[3];C=[4];");
  EXPECT_EQ(tags.getFileName(), "second.tag");
  EXPECT_EQ(tags.getLineNumber(), 2);
}

TEST_F(TagFileTest, SyntaxErrorsNameTheFileAndLineAndAreLogged) {
  struct Case {
    const char *text;
    const char *message;
    const char *keptTags;
  };
  const Case cases[] = {
      {"A: 1\n\n# a comment\nB: 2\n",
       "Syntax error in setup.tag at line 3 ==> Missing colon at the end of the tag name.",
       "A=[1];"},
      // The line of the list's name, not the last line read.
      {"A: 1\nL:\n  x\n\n  y\n",
       "Syntax error in setup.tag at line 2 ==> Missing /: tag completer.", "A=[1];L=[x|y];"},
      {"L:", "Syntax error in setup.tag at line 1 ==> Missing /: tag completer.", ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    resetLogForTesting();
    std::remove(logPath().c_str());
    setLogFile(SString(logPath().c_str()));
    TagFile tags;
    EXPECT_EQ(parseError(tags, c.text), c.message);
    EXPECT_EQ(dump(tags), c.keptTags);
    EXPECT_EQ(logText(), std::string("------------------\nERROR: ") + c.message + "\n");
  }
}

TEST_F(TagFileTest, UnterminatedQuotePassesTheArgumentErrorUnlogged) {
  const char *texts[] = {"A: \"abc", "L:\n  \"abc\n/:\n"};
  for (const char *text : texts) {
    SCOPED_TRACE(text);
    TagFile tags;
    EXPECT_EQ(parseError(tags, text), "Expected double quote to end argument near 1");
  }
  EXPECT_EQ(logText(), "");
}

TEST_F(TagFileTest, ReadsFromAStreamAsFromMemory) {
  const std::string text = "A: 1\nL:\n  \"x \"\n/:\n\n";
  UniqueFile stream = streamOf(text);
  TagFile fromStream;
  fromStream.read(stream.get(), "in.tag", 0, -1);
  TagFile fromMemory;
  fromMemory.parse(text, "in.tag");
  EXPECT_EQ(dump(fromStream), "A=[1];L=[x ];");
  EXPECT_EQ(dump(fromStream), dump(fromMemory));
  EXPECT_EQ(fromStream.getLineNumber(), fromMemory.getLineNumber());
  EXPECT_EQ(fromStream.getFileName(), "in.tag");
}

TEST_F(TagFileTest, ByteRangeBoundsOnlyTheStartOfTagLines) {
  const std::string before = "JUNK";
  const std::string inside = "A: 1\nB: 2\nL:\n  x\n";
  const std::string after = "  y\n/:\nC: 3\n";
  UniqueFile stream = streamOf(before + inside + after);
  const long start = static_cast<long>(before.size());
  struct Case {
    long length;
    const char *expected;
  };
  const Case cases[] = {
      {5, "A=[1];"},       // B's line begins exactly at the end of the range
      {6, "A=[1];B=[2];"}, // B's line begins inside the range
      // The unterminated list runs on into the bytes behind the range.
      {static_cast<long>(inside.size()), "A=[1];B=[2];L=[x|y];"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.length);
    TagFile tags;
    tags.read(stream.get(), "embedded.tag", start, c.length);
    EXPECT_EQ(dump(tags), c.expected);
  }
}

TEST_F(TagFileTest, FailedSeekAndMissingFileAreReported) {
  UniqueFile stream = streamOf("A: 1\n");
  TagFile tags;
  try {
    tags.read(stream.get(), "in.tag", -1, -1);
    ADD_FAILURE() << "no error";
  } catch (const LauncherException &e) {
    EXPECT_EQ(e.getMessage(), "Unable to read tag file.");
  }
  const SString missing(dir.file("missing.tag").c_str());
  try {
    TagFile fromPath(missing);
    ADD_FAILURE() << "no error";
  } catch (const LauncherException &e) {
    EXPECT_EQ(e.getMessage(), SString("Unable to load input file: ") + missing);
  }
}

TEST_F(TagFileTest, PathConstructorReadsTheWholeFile) {
  writeFile(dir.file("jvm.tag"), "JVM_HOME: /opt/java\nJVM_EXE:\n bin/java\n/:\n");
  const SString path(dir.file("jvm.tag").c_str());
  TagFile tags(path);
  EXPECT_EQ(dump(tags), "JVM_HOME=[/opt/java];JVM_EXE=[bin/java];");
  EXPECT_EQ(tags.getFileName(), path);
}

TEST_F(TagFileTest, Queries) {
  TagFile tags;
  tags.parse("L:\n a\n b\n/:\nS: one\n", "q.tag");
  EXPECT_EQ(tags.getValue("L", 1), "b");
  EXPECT_EQ(tags.getValue("L", 2), "");
  EXPECT_EQ(tags.getValue("S"), "one");
  EXPECT_EQ(tags.getValue("s"), "");
  EXPECT_EQ(tags.getValueCount("L"), 2);
  EXPECT_EQ(tags.getValueCount("missing"), 0);
  ASSERT_NE(tags.findValues("S"), nullptr);
  EXPECT_EQ(tags.findValues("S")->count(), 1);
  EXPECT_EQ(tags.findValues("missing"), nullptr);
}

TEST_F(TagFileTest, GetBooleanReadsAShortNumber) {
  struct Case {
    const char *line;
    bool defaultValue;
    bool expected;
  };
  const Case cases[] = {
      {"F: 1", false, true},      {"F: 12abc", false, true}, {"F: -1", false, true},
      {"F: 0", true, false},      {"F: 65536", true, false}, {"F: yes", true, true},
      {"F: yes", false, false},   {"F: \"\"", true, true},   {"OTHER: 1", true, true},
      {"OTHER: 1", false, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.line);
    TagFile tags;
    tags.parse(c.line, "b.tag");
    EXPECT_EQ(tags.getBoolean("F", c.defaultValue), c.expected);
  }
}

TEST_F(TagFileTest, ChangesKeepNamesUniqueAndOrdered) {
  TagFile tags;
  tags.parse("L:\n a\n b\n/:\nS: one\n", "c.tag");
  tags.setValue("L", "only");
  tags.addValue("S", "two");
  tags.addValue("NEW", "first");
  tags.setBoolean("FLAG", true);
  EXPECT_EQ(dump(tags), "L=[only];S=[one|two];NEW=[first];FLAG=[1];");
  tags.setBoolean("FLAG", false);
  tags.removeTag("L");
  tags.removeTag("absent");
  EXPECT_EQ(dump(tags), "S=[one|two];NEW=[first];FLAG=[0];");
}

TEST_F(TagFileTest, SetJVMSettingsFillsTheThreeTagsInOrder) {
  TagFile tags;
  tags.parse("JVM_FILE: old\nJVM_EXE: bin/java\n", "j.tag");
  tags.setJVMSettings("/opt/jdk", "/tmp/j.jvm", true);
  EXPECT_EQ(dump(tags),
            "JVM_FILE=[/tmp/j.jvm];JVM_EXE=[bin/java];JVM_HOME=[/opt/jdk];JVM_TEMP=[1];");
  tags.setJVMSettings("/opt/jdk", "/tmp/j.jvm", false);
  EXPECT_EQ(tags.getValue("JVM_TEMP"), "0");
}

TEST_F(TagFileTest, WriteFormat) {
  TagFile tags;
  tags.setValue("CLASSPATH", "-cp ");
  tags.setValue("ARGS", "say \"hi\"");
  tags.setValue("PLAIN", "a:b c");
  tags.setValue("EMPTY", "");
  tags.setValue("GONE", "x");
  tags.addValue("LIST", "one");
  tags.addValue("LIST", "\ttab");
  tags.addValue("LIST", "/:");
  tags.setValue("SINGLE", "/:");
  tags.getEntries().get(4)->getValues().clear();
  const std::string expected = "CLASSPATH:  \"-cp \"\n"
                               "ARGS:  \"say \"\"hi\"\"\"\n"
                               "PLAIN:  a:b c\n"
                               "EMPTY:  \"\"\n"
                               "LIST:\n"
                               "  one\n"
                               "  \"\ttab\"\n"
                               "  \"/:\"\n"
                               "/:\n"
                               "SINGLE:  /:\n";
  EXPECT_EQ(tags.toText().str(), expected);

  const std::string path = dir.file("out.tag");
  writeFile(path, "old content that is longer than the new one ................................");
  tags.write(SString(path.c_str()));
  EXPECT_EQ(readFile(path), expected);
  tags.write(SString(dir.file("no/such/dir/out.tag").c_str()));
}

TEST_F(TagFileTest, WrittenTextReadsBackTheSameTags) {
  TagFile tags;
  tags.setValue("Q", "\"quoted\" start");
  tags.setValue("BLANKS", "  both ends  ");
  tags.setValue("COLONS", "c:\\x: y");
  tags.setValue("EMPTY", "");
  tags.addValue("LIST", "/:");
  tags.addValue("LIST", " \"\" ");
  tags.addValue("LIST", "last");
  TagFile readBack;
  readBack.parse(tags.toText().view(), "round.tag");
  EXPECT_EQ(dump(readBack), dump(tags));
}

} // namespace
