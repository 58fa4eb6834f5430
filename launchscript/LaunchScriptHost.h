// LaunchScriptHost: what a launch command needs from the launcher run, which stands above
// the launch script: the launcher file and the file the user started, the class-path
// options, the embedded archives and the temporary directory.
#pragma once

#include "base/Deque.h"
#include "base/SString.h"

class LaunchScriptHost {
public:
  LaunchScriptHost() = default;
  LaunchScriptHost(const LaunchScriptHost &) = delete;
  LaunchScriptHost &operator=(const LaunchScriptHost &) = delete;
  virtual ~LaunchScriptHost() = default;

  // The launcher file now running.
  virtual SString getLauncherPath() const = 0;
  // The launcher file that the user started (the same unless this is a copy).
  virtual SString getOriginalLauncherName() const = 0;
  // Its text before the last slash or backslash; empty when it has neither.
  virtual SString getOriginalLauncherDir() const = 0;
  // The values of "-cp:p" and "-cp:a"; empty when absent.
  virtual SString getClasspathPrepend() const = 0;
  virtual SString getClasspathAppend() const = 0;
  // The launcher type byte of a file, or -1.
  virtual int getLauncherType(const SString &path) = 0;
  // The embedded application archive, extracted on first use; empty when there is none.
  virtual SString getApplicationArchive() = 0;
  // A file next to the original launcher, copied on first use; empty when it is missing.
  virtual SString getApplicationArchive(const SString &name) = 0;
  // Extracts every embedded class-path archive, in index order, into a new temporary
  // directory and appends their paths.
  virtual void extractClasspathArchives(StringDeque &paths) = 0;
  // The checked base temporary directory.
  virtual SString getTempRoot() = 0;
};
