// The fixture of the process-level launcher tests: launcher files packed by qgpack in a
// scoped directory, and the built launcher run on them with that directory as TMPDIR.
#pragma once

#include "tests/support/RunProcess.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class LauncherProcessTest : public ::testing::Test {
protected:
  // Packs a launcher file in the test directory from the given qgpack entry arguments.
  std::string pack(const std::string &name, const std::vector<std::string> &entries) {
    std::vector<std::string> arguments = {"create", temp_.file(name)};
    arguments.insert(arguments.end(), entries.begin(), entries.end());
    const ProcessResult packed = runProcess(std::string(QG_BIN_DIR) + "/qgpack", arguments);
    EXPECT_EQ(packed.status, 0) << packed.err;
    return temp_.file(name);
  }

  // A launcher whose instruction script has the given lines.
  std::string packScript(const std::string &lines, std::vector<std::string> more = {}) {
    writeFile(temp_.file("instructions.txt"), "INSTRUCTIONS:\n" + lines + "/:\n");
    more.insert(more.begin(), {"--instructions", temp_.file("instructions.txt")});
    return pack("setup.bin", more);
  }

  ProcessResult run(const std::string &program, const std::vector<std::string> &arguments,
                    ProcessOptions options = {}) {
    // A test may name its own temporary directory.
    options.environment.insert(options.environment.begin(), "TMPDIR=" + temp_.path());
    // The language and the terminal's encoding come from these; a test sets what it needs.
    options.unsetVariables.insert(options.unsetVariables.end(), {"LANG", "LC_ALL", "LC_CTYPE"});
    ProcessResult result = runProcess(program, arguments, options);
    EXPECT_EQ(result.err, "") << "the launcher never writes to standard error";
    return result;
  }

  TempDir temp_;
};

// The verification class the build made.
inline std::string verifyArchivePath() {
  return std::string(QG_BIN_DIR) + "/../share/Verify.jar";
}

// A JVM file that only fake JVMs of the given version satisfy: they report the property
// qg.fake.version, which no real JVM sets.
inline std::string writeFakeJVMFile(const std::string &path, const std::string &version,
                                    const std::string &more = "") {
  writeFile(path, "DESC: Fake Java " + version +
                      "\nJVM_EXE: bin/java\nCLASSPATH: \"-cp \"\nCLASSPATH_SEPARATOR: :\n"
                      "SYSTEM: -D\nSYSTEM_SEPARATOR: =\nJVM_PROPERTIES:\n  qg.fake.version=" +
                      version + "\n/:\n" + more);
  return path;
}
