// JVMSearchHost: what the JVM searches need from the launcher run above them, besides what
// their verification commands need as launch commands.
#pragma once

#include "base/SString.h"
#include "launchscript/LaunchScriptHost.h"

class JVMSearchHost : public LaunchScriptHost {
public:
  // The directory given with "-qg:javahome"; empty when none was given.
  virtual SString getUserJavaHome() const = 0;
  // Extracts every embedded verification archive, each into a new temporary directory of its
  // own, and returns the path of the last one; empty when the payload has none.
  virtual SString extractVerifyArchive() = 0;
  // How long a verification may run before its JVM is stopped.
  virtual int getVerifyTimeoutSeconds() const { return 60; }
};
