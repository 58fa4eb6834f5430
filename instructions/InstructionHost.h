// InstructionHost: what a running instruction script needs from the launcher run: the
// variables S1..S10 and N1..N5 and the seven work commands.
#pragma once

#include "base/SString.h"

class InstructionHost {
public:
  virtual ~InstructionHost() = default;

  // n from 1 to 10 (S) or 1 to 5 (N); any other n raises LauncherException
  // "Invalid string variable number: N" / "Invalid numeric variable number: N".
  virtual SString getStringVariable(int n) const = 0;
  virtual void setStringVariable(int n, const SString &value) = 0;
  virtual int getNumericVariable(int n) const = 0;
  virtual void setNumericVariable(int n, int value) = 0;

  virtual void doFindJVM(bool showUI, bool showFailureMessage) = 0;
  virtual void doVerify(bool showUI, bool showFailureMessage, int fileId) = 0;
  virtual void doInstallJVM(int mode) = 0;
  // The exit status of the launched command, or -1 when nothing was launched.
  virtual int doLaunch(const SString &jvmFilePath, short seconds) = 0;
  virtual int doLaunchById(int fileId, short seconds) = 0;
  virtual void doInitializeUI() = 0;
  virtual void doExecuteLauncher(int position) = 0;
};
