// LaunchScript: a command template (the launch script of the payload, or a command built on
// the fly by the JVM verification), expanded for one JVM file and run as a child process.
#pragma once

#include "base/Deque.h"
#include "base/SString.h"
#include "launchscript/LaunchScriptHost.h"
#include "launchscript/MacroHandler.h"
#include "tagfile/TagFile.h"

#include <vector>

class LaunchScript : public MacroHandler {
public:
  // Reads COMMAND, DISPLAY_CONSOLE (default off), AUTO_SET_WORKING_DIR (default on), DESC
  // and ARCHIVE; a flag that is absent or no number keeps its default. The tag file is not
  // kept.
  LaunchScript(const TagFile &tagFile, bool captureOutput);
  // A plain command: no console, the working directory set automatically, no description
  // or archive. fromTagFile decides whether CP adds the embedded class-path archives.
  LaunchScript(SString command, bool captureOutput, bool fromTagFile);
  LaunchScript(const LaunchScript &) = delete;
  LaunchScript &operator=(const LaunchScript &) = delete;
  virtual ~LaunchScript() = default;

  const SString &getCommand() const { return command_; }
  void setCommand(SString command) { command_ = std::move(command); }
  const SString &getDescription() const { return description_; }
  const SString &getArchive() const { return archive_; }
  bool isDisplayConsole() const { return displayConsole_; }
  bool isAutoSetWorkingDir() const { return autoSetWorkingDir_; }
  // What the runs wrote to standard output and error, appended run after run.
  const SString &getCapturedOutput() const { return capturedOutput_; }
  const SString &getCapturedError() const { return capturedError_; }

  // A text that stands for value in this script's command. The macro passes never read its
  // characters, and the command that runs holds value inside its double quotes with a
  // backslash before every backslash, double quote, "$" and backquote, so the shell
  // receives it exactly as it is.
  SString insertLiteral(const SString &value);

  // The child reads /dev/null, and is killed with everything it started after this many
  // seconds (0: no limit); timedOut tells whether that happened in the last run.
  void setInputFromNull(bool on) { inputFromNull_ = on; }
  void setTimeout(int seconds) { timeoutSeconds_ = seconds; }
  bool timedOut() const { return timedOut_; }

  // Expands the command for the JVM file: "%" function calls, then "@" values of the JVM
  // file, then "#" environment variables. The result still holds the literals' stand-ins
  // (see resolveLiterals). Raises LauncherException for expansion errors.
  SString expandCommand(LaunchScriptHost &host, const TagFile &jvmFile);
  // text with every literal's stand-in replaced: escaped for the shell inside double
  // quotes, or as it stands.
  SString resolveLiterals(const SString &text, bool forShell) const;

  // Expands the command, appends each extra argument in double quotes (escaped for the
  // shell, not expanded), logs it, sets JAVA_HOME to the JVM file's JVM_HOME for the run
  // (and back afterwards, an unset variable coming back set and empty), applies
  // SET_ENV_FOR_WIZARD for launchers of type 0 and 2, and runs it through the shell in the
  // launcher's directory (or the current one) with its output captured unless a console is
  // shown. Returns the command's exit code. Raises LauncherException for expansion and
  // child-process errors.
  int execute(LaunchScriptHost &host, const TagFile &jvmFile, const StringDeque *extraArguments,
              bool forceConsole);

  // "%" function calls and "#" environment references; see MacroHandler.
  void expandMacro(SString &text, char delimiter, SString::size_type start,
                   SString::size_type &end) override;

private:
  void expandFunction(SString &text, SString::size_type start, SString::size_type end);
  // The value of one function call with its arguments.
  SString callFunction(const SString &text, const SString &name, const StringDeque &arguments);
  // expandMacros with the current JVM file for "@".
  SString expandJVMValues(const SString &text);
  SString systemProperty(const SString &name, const SString &value);
  SString runtimeSystemProperties();
  SString runtimeJavaArguments();
  SString classpath(const StringDeque &arguments);
  // The entries of a class-path option ("-cp:p", "-cp:a"): a list file after "@", else the
  // value as one quoted element.
  void appendClasspathOption(SString &classpath, const SString &value, bool useEnv);
  void appendClasspathElement(SString &classpath, const SString &element) const;
  // The lines of a list file as elements; empty (with a warning when asked) when missing.
  SString readClasspathFile(const SString &path, bool warn) const;
  // The path of a side file next to the original launcher file.
  SString sideFilePath(const char *suffix) const;
  SString addEmbeddedClasspath(bool quote);
  SString jvmValue(const char *key) const;

  SString command_;
  bool captureOutput_;
  bool displayConsole_ = false;
  bool autoSetWorkingDir_ = true;
  SString capturedOutput_;
  SString capturedError_;
  bool fromTagFile_;
  SString description_;
  SString archive_;
  bool inputFromNull_ = false;
  int timeoutSeconds_ = 0;
  bool timedOut_ = false;

  // Set only while a command is expanded.
  LaunchScriptHost *host_ = nullptr;
  const TagFile *currentJVMFile_ = nullptr;
  int nesting_ = 0;
  // The values behind the literals' stand-ins; those made during an expansion are
  // forgotten after it.
  std::vector<SString> literals_;
};
