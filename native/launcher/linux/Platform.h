// Platform: the operating-system services behind the launcher's child processes and its
// whole-disk search. LinuxPlatformImpl is the real one; a test installs a replacement where
// the real one would be slow or dangerous (a fake child process, search roots that point at
// a temporary tree).
#pragma once

#include "base/Deque.h"
#include "base/SString.h"
#include "native/launcher/linux/ChildProcess.h"

class Platform {
public:
  Platform() = default;
  Platform(const Platform &) = delete;
  Platform &operator=(const Platform &) = delete;
  virtual ~Platform() = default;

  // The contracts of the free functions runCommand, replaceProcess and getSearchRoots.
  virtual int runCommand(const SString &command, const CommandOptions &options) = 0;
  virtual void replaceProcess(const StringDeque &arguments) = 0;
  virtual void getSearchRoots(StringDeque &roots) = 0;
};

class LinuxPlatformImpl : public Platform {
public:
  int runCommand(const SString &command, const CommandOptions &options) override;
  void replaceProcess(const StringDeque &arguments) override;
  // The single root "/".
  void getSearchRoots(StringDeque &roots) override;
};

// The platform in use: LinuxPlatformImpl unless a test replaced it.
Platform &platform();
// Makes replacement the platform in use (not owned; it must outlive its use); null puts the
// real one back.
void setPlatformForTesting(Platform *replacement);
