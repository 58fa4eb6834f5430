// Shared set-up of the JVM tests: a search host over a scoped directory, fake JVMs that
// answer the verification, and a platform whose whole disk is a temporary tree.
#pragma once

#include "base/Log.h"
#include "jvm/JVMFiles.h"
#include "jvm/JVMSearchHost.h"
#include "native/launcher/linux/Console.h"
#include "native/launcher/linux/Platform.h"
#include "tests/support/FakeJava.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

class FakeSearchHost final : public JVMSearchHost {
public:
  SString getLauncherPath() const override { return launcherPath; }
  SString getOriginalLauncherName() const override { return launcherPath; }
  SString getOriginalLauncherDir() const override {
    return launcherPath.substring(0, launcherPath.rfind('/'));
  }
  SString getClasspathPrepend() const override { return SString(); }
  SString getClasspathAppend() const override { return SString(); }
  int getLauncherType(const SString &) override { return 1; }
  SString getApplicationArchive() override { return SString(); }
  SString getApplicationArchive(const SString &) override { return SString(); }
  void extractClasspathArchives(StringDeque &) override {}
  SString getTempRoot() override { return tempRoot; }
  SString getUserJavaHome() const override { return userJavaHome; }
  SString extractVerifyArchive() override {
    ++extractions;
    return verifyArchive;
  }
  int getVerifyTimeoutSeconds() const override { return timeoutSeconds; }

  SString launcherPath;
  SString tempRoot;
  SString userJavaHome;
  SString verifyArchive;
  int timeoutSeconds = 60;
  int extractions = 0;
};

// The whole disk of the searches is one directory.
class TreePlatform final : public LinuxPlatformImpl {
public:
  explicit TreePlatform(std::string root) : root_(std::move(root)) {}
  void getSearchRoots(StringDeque &roots) override { roots.add(SString(root_)); }

private:
  std::string root_;
};

class JVMTest : public ::testing::Test {
protected:
  void SetUp() override {
    resetLogForTesting();
    setLogFile(SString(temp_.file("search.log")));
    console_ = std::tmpfile();
    resetConsoleForTesting(console_);
    host_.launcherPath = SString(temp_.file("media/setup.bin"));
    host_.tempRoot = SString(temp_.file("qgjTEMP"));
    host_.verifyArchive = SString(temp_.file("Verify.jar"));
  }
  void TearDown() override {
    setPlatformForTesting(nullptr);
    resetConsoleForTesting();
    std::fclose(console_);
    resetLogForTesting();
  }

  // A JVM file's tag file, in the order of the lines given ("NAME: value" or lists).
  TagFile &jvmTags(const std::string &text, const std::string &name = "java.jvm") {
    tagFiles_.push_back(std::make_unique<TagFile>());
    tagFiles_.back()->parse(text, SString(name));
    return *tagFiles_.back();
  }
  std::string logText() const { return readFile(temp_.file("search.log")); }
  std::string consoleText() const {
    std::fflush(console_);
    std::rewind(console_);
    std::string text;
    for (int c; (c = std::fgetc(console_)) != EOF;)
      text += static_cast<char>(c);
    return text;
  }

  TempDir temp_;
  FakeSearchHost host_;
  std::FILE *console_ = nullptr;
  std::vector<std::unique_ptr<TagFile>> tagFiles_;
};
