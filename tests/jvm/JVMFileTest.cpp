// Tests of JVM files: their keys, their "@" references and the list of a run.
#include "jvm/JVMFiles.h"

#include "base/LauncherException.h"

#include <gtest/gtest.h>

#include <memory>

TEST(JVMFile, KeysHaveTheirDefaults) {
  TagFile tags;
  const JVMFile empty(tags);
  EXPECT_EQ(empty.getDescription(), "");
  EXPECT_EQ(empty.getExe(), "");
  EXPECT_FALSE(empty.isSearchAll());

  tags.parse("DESC: Java 17\nJVM_EXE: bin/java\n", "java17.jvm");
  const JVMFile named(tags);
  EXPECT_EQ(named.getDescription(), "Java 17");
  EXPECT_EQ(named.getExe(), "bin/java");
  EXPECT_EQ(named.getName(), "java17.jvm");
  struct Case {
    const char *value;
    bool searchAll;
  } cases[] = {{"1", true}, {"2", true}, {"0", false}, {"yes", false}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.value);
    tags.setValue("SEARCH_ALL", c.value);
    EXPECT_EQ(named.isSearchAll(), c.searchAll);
  }
}

TEST(JVMFile, ReferencesExpandToFirstValues) {
  TagFile tags;
  tags.parse("JVM_HOME: /opt/java/\nEXE: bin/java\\\nLIST:\n  first\n  second\n/:\n", "j");
  JVMFile jvm(tags);
  EXPECT_EQ(jvm.expandMacros("@JVM_HOME@|@EXE@|@LIST@|@MISSING@|"),
            "/opt/java/|bin/java\\|first||");
  // Only JVM_HOME loses a trailing backslash.
  tags.setValue("JVM_HOME", "C:\\java\\");
  EXPECT_EQ(jvm.expandMacros("\"@JVM_HOME@\""), "\"C:\\java\"");
  // Two JVM files over one tag file see the same values.
  JVMFile other(tags);
  tags.setValue("JVM_HOME", "/changed");
  EXPECT_EQ(other.expandMacros("@JVM_HOME@"), "/changed");
}

TEST(JVMFiles, OwnTheirFilesInOrderAndRefuseBadIndexes) {
  TagFile first, second;
  first.setValue("DESC", "first");
  second.setValue("DESC", "second");
  JVMFiles files;
  files.addJVMFile(std::make_unique<JVMFile>(first));
  files.addJVMFile(std::make_unique<JVMFile>(second));
  ASSERT_EQ(files.getJVMFileCount(), 2);
  EXPECT_EQ(files.getJVMFile(1).getDescription(), "second");
  for (const int index : {-1, 2}) {
    SCOPED_TRACE(index);
    try {
      files.getJVMFile(index);
      ADD_FAILURE() << "no error";
    } catch (const LauncherException &e) {
      EXPECT_EQ(e.getMessage().str(), "Invalid JVM file id.");
    }
  }
}
