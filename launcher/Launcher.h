// Launcher: the one process-wide object that carries a run, from the command line to the
// result that becomes the exit status.
#pragma once

#include "base/Deque.h"
#include "base/SString.h"
#include "instructions/InstructionHost.h"
#include "jvm/JVMMatch.h"
#include "jvm/JVMSearchHost.h"
#include "payload/LauncherFile.h"

#include <array>
#include <memory>

class Launcher final : public InstructionHost, public JVMSearchHost {
public:
  static Launcher &instance();
  // Replaces the process-wide launcher by a new one, as at process start.
  static void resetForTesting();

  Launcher() = default;
  Launcher(const Launcher &) = delete;
  Launcher &operator=(const Launcher &) = delete;

  // The whole run: the options, then the default run or nothing. Never raises; a
  // LauncherException is printed unless silent, logged as an error, and gives -1.
  int run(const StringDeque &arguments, const SString &launcherPath);
  // The option loop followed by the default run; raises LauncherException.
  int processCommandLine(const StringDeque &arguments);
  // Runs the instruction script: the result of the last launch, 0 when none ran, -1 when
  // there is no script. Script errors become "Error in instructions. ... Line number (N)".
  int runInstructions();

  SString getLauncherPath() const override { return launcherPath_; }
  SString getOriginalLauncherName() const override { return originalLauncherName_; }
  // The text of the original launcher name before its last slash or backslash; empty when
  // it has none.
  SString getOriginalLauncherDir() const override;
  SString getUserJavaHome() const override { return userJavaHome_; }
  SString getClasspathPrepend() const override { return classpathPrepend_; }
  SString getClasspathAppend() const override { return classpathAppend_; }
  bool isJavaConsole() const { return javaConsole_; }
  const StringDeque &getExtraArguments() const { return extraArguments_; }
  const StringDeque &getAllArguments() const { return allArguments_; }
  LauncherFile &getLauncherFile() { return launcherFile_; }

  // The launcher type byte of a file, or -1. The launcher's own type is read once it has
  // been read successfully.
  int getLauncherType(const SString &path) override;
  // The embedded application archive, extracted on first use into a temporary directory;
  // empty when the payload has none.
  SString getApplicationArchive() override;
  // A file next to the original launcher, copied on first use into a temporary directory;
  // empty (and retried next time) when it does not exist.
  SString getApplicationArchive(const SString &name) override;
  void extractClasspathArchives(StringDeque &paths) override;
  SString getTempRoot() override;
  SString extractVerifyArchive() override;
  // Writes the match's JVM file with JVM_HOME, JVM_FILE and JVM_TEMP set to a new temporary
  // file and returns its path.
  SString saveMatchAsJVMFile(const JVMMatch &match);

  // True when a run that ended with result should show the wizard's captured error output:
  // any result but 0, except 232 from a launcher of type 0 or 2 (a quiet failure).
  bool showsLaunchErrorOutput(int result);
  // Prints the captured error output unless silent, when the rule above asks for it.
  void reportLaunchErrorOutput(int result);

  const SString &getLaunchErrorOutput() const { return launchErrorOutput_; }
  void setLaunchErrorOutput(const SString &output) { launchErrorOutput_ = output; }
  // A copy deletes its own launcher file and directory when the run ends.
  void setRunningAsCopy(bool on);
  bool isRunningAsCopy() const { return runningAsCopy_; }

  SString getStringVariable(int n) const override;
  void setStringVariable(int n, const SString &value) override;
  int getNumericVariable(int n) const override;
  void setNumericVariable(int n, int value) override;

  void doFindJVM(bool showUI, bool showFailureMessage) override;
  void doVerify(bool showUI, bool showFailureMessage, int fileId) override;
  void doInstallJVM(int mode) override;
  int doLaunch(const SString &jvmFilePath, short seconds) override;
  int doLaunchById(int fileId, short seconds) override;
  void doInitializeUI() override;
  void doExecuteLauncher(int position) override;
  // Verifies a JVM file at home (at its own JVM_HOME when home is empty): N1 = 1 and S1 the
  // verified home when it passes, else N1 = 0 and the failure text when asked.
  void verifyJVMFile(bool showUI, bool showFailureMessage, TagFile &jvmTagFile,
                     const SString &home);

  // The actions of an input file, each writing its result lines to standard output in
  // every mode: SEARCH (1, home and saved JVM file; or 0), SEARCH_ALL (the count, then a home
  // and a saved JVM file for each match), VERIFY_JVM (1 or 0), INSTALL_JVM (the JVM file in
  // the destination). The saved JVM files of a search belong to the caller afterwards.
  void searchAction(bool showProgress, bool showFailureMessage);
  void searchAllAction(bool showProgress, bool showFailureMessage);
  void verifyJVMAction(bool showProgress, bool showFailureMessage, const SString &jvmFilePath,
                       const SString &jvmHome);
  void installJVMAction(bool showProgress, bool showFailureMessage, const SString &installerCommand,
                        const SString &destination);

private:
  // What the options have decided so far.
  struct OptionState {
    int result = 0;
    bool defaultRun = true;
    // An input file configured the run.
    bool inputFileRead = false;
  };
  void processOption(const StringDeque &arguments, int &index, OptionState &state);
  // The "-qg:in" option: reads the input file, configures the payload from it and performs
  // its action. A failure is printed after error text 0 and raised again unchanged.
  void processInputFile(const SString &argument, OptionState &state);
  void performAction(const TagFile &inputFile, OptionState &state);
  // The destination that INSTALL_JVM mode 2 asks for, absolute and existing; empty when
  // none was given or it cannot be made.
  SString promptedDestination();
  void readIndexForRun(bool parseTagEntries);
  // Raises the damaged-file text when the launcher file carries no index.
  void requireIndex() const;
  // Runs the launch script for a JVM file: the status line when seconds > 0, the console
  // off, the wizard's error output kept for the end of the run.
  int launch(LaunchScript &script, const TagFile &jvmFile, short seconds);
  void extractPayload();

  SString launcherPath_;
  SString originalLauncherName_;
  std::array<SString, 10> stringVariables_;
  std::array<int, 5> numericVariables_{};
  LauncherFile launcherFile_;
  StringDeque extraArguments_;
  StringDeque allArguments_;
  SString userJavaHome_;
  SString classpathPrepend_;
  SString classpathAppend_;
  SString applicationArchivePath_;
  SString launchErrorOutput_;
  bool javaConsole_ = false;
  bool runningAsCopy_ = false;
  int launcherType_ = -1;
};
