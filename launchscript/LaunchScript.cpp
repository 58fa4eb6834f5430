// LaunchScript: reading a launch script, expanding a command in its three passes, the
// literals the launcher inserts, and running the command.
#include "launchscript/LaunchScript.h"

#include "base/LauncherException.h"
#include "base/Log.h"
#include "base/TextFunctions.h"
#include "launchscript/FunctionArguments.h"
#include "launchscript/JVMValues.h"
#include "launchscript/LaunchScriptTexts.h"
#include "native/launcher/linux/ChildProcess.h"
#include "native/launcher/linux/FileSystem.h"

namespace lt = launchscripttext;

namespace {
// Stands around the number of a literal in a command. It is no delimiter of the macro
// passes and no character a script has reason to hold.
constexpr char kLiteralMark = '\x1A';

// Resolves "@" references from a JVM file. The paths the launcher wrote into it (the JVM
// home and the saved file) become literals of the script, so that neither the later passes
// nor the shell read the characters of a directory name.
class JVMValueHandler final : public MacroHandler {
public:
  JVMValueHandler(LaunchScript &script, const TagFile &jvmFile)
      : script_(script), jvmFile_(jvmFile) {}

  void expandMacro(SString &text, char, SString::size_type start,
                   SString::size_type &end) override {
    const SString name = text.substring(start + 1, end - start - 1);
    SString value = jvmFileValue(jvmFile_, name);
    if ((name == lt::kJvmHomeKey || name == lt::kJvmFileKey) && !value.isEmpty())
      value = script_.insertLiteral(value);
    text.replace(start, end - start + 1, value);
  }

private:
  LaunchScript &script_;
  const TagFile &jvmFile_;
};

// Forgets what belongs to one expansion when it ends, however it ends.
class ExpansionScope {
public:
  ExpansionScope(LaunchScriptHost *&host, const TagFile *&jvmFile, LaunchScriptHost &newHost,
                 const TagFile &newJVMFile)
      : host_(host), jvmFile_(jvmFile) {
    host_ = &newHost;
    jvmFile_ = &newJVMFile;
  }
  ExpansionScope(const ExpansionScope &) = delete;
  ExpansionScope &operator=(const ExpansionScope &) = delete;
  ~ExpansionScope() {
    host_ = nullptr;
    jvmFile_ = nullptr;
  }

private:
  LaunchScriptHost *&host_;
  const TagFile *&jvmFile_;
};
} // namespace

LaunchScript::LaunchScript(const TagFile &tagFile, bool captureOutput)
    : command_(tagFile.getValue(lt::kCommandKey)), captureOutput_(captureOutput),
      displayConsole_(tagFile.getBoolean(lt::kDisplayConsoleKey, false)),
      autoSetWorkingDir_(tagFile.getBoolean(lt::kAutoSetWorkingDirKey, true)), fromTagFile_(true),
      description_(tagFile.getValue(lt::kDescKey)), archive_(tagFile.getValue(lt::kArchiveKey)) {}

LaunchScript::LaunchScript(SString command, bool captureOutput, bool fromTagFile)
    : command_(std::move(command)), captureOutput_(captureOutput), fromTagFile_(fromTagFile) {}

SString LaunchScript::insertLiteral(const SString &value) {
  literals_.push_back(value);
  SString literal(1, kLiteralMark);
  literal += formatLong(static_cast<long>(literals_.size() - 1));
  literal += kLiteralMark;
  return literal;
}

SString LaunchScript::resolveLiterals(const SString &text, bool forShell) const {
  SString resolved;
  SString::size_type pos = 0;
  for (;;) {
    const SString::size_type open = text.find(kLiteralMark, pos);
    const SString::size_type close =
        open == SString::npos ? SString::npos : text.find(kLiteralMark, open + 1);
    long index = -1;
    if (close == SString::npos) {
      resolved.append(text.view().substr(pos));
      return resolved;
    }
    const SString digits = text.substring(open + 1, close - open - 1);
    const bool isLiteral = !digits.isEmpty() &&
                           digits.findFirstNotOf("0123456789") == SString::npos &&
                           digits.toLong(index) && index < static_cast<long>(literals_.size());
    if (!isLiteral) {
      // Not one of ours: the mark stays as it is, and the next one may open a literal.
      resolved.append(text.view().substr(pos, open + 1 - pos));
      pos = open + 1;
      continue;
    }
    resolved.append(text.view().substr(pos, open - pos));
    const SString &value = literals_[static_cast<std::size_t>(index)];
    resolved.append(forShell ? escapeForShell(value) : value);
    pos = close + 1;
  }
}

SString LaunchScript::expandCommand(LaunchScriptHost &host, const TagFile &jvmFile) {
  ExpansionScope scope(host_, currentJVMFile_, host, jvmFile);
  SString functions;
  expandMacros(functions, *this, command_, '%');
  const SString values = expandJVMValues(functions);
  SString result;
  expandMacros(result, *this, values, '#');
  return result;
}

SString LaunchScript::expandJVMValues(const SString &text) {
  JVMValueHandler handler(*this, *currentJVMFile_);
  SString expanded;
  expandMacros(expanded, handler, text, '@');
  return expanded;
}

void LaunchScript::expandMacro(SString &text, char delimiter, SString::size_type start,
                               SString::size_type &end) {
  if (delimiter == '%') {
    expandFunction(text, start, end);
    return;
  }
  // "#": the environment variable, empty when unset.
  const SString name = text.substring(start + 1, end - start - 1);
  text.replace(start, end - start + 1, getEnvironment(name));
}

int LaunchScript::execute(LaunchScriptHost &host, const TagFile &jvmFile,
                          const StringDeque *extraArguments, bool forceConsole) {
  const std::size_t ownLiterals = literals_.size();
  // The literals of this run are forgotten after it, however it ends.
  struct LiteralsScope {
    std::vector<SString> &literals;
    std::size_t keep;
    ~LiteralsScope() { literals.resize(keep); }
  } literalsScope{literals_, ownLiterals};

  SString command = resolveLiterals(expandCommand(host, jvmFile), /*forShell=*/true);
  SString directory;
  if (autoSetWorkingDir_) {
    const SString launcherPath = host.getLauncherPath();
    const SString::size_type slash = launcherPath.rfind('/');
    directory = slash == SString::npos ? launcherPath : launcherPath.substring(0, slash);
  }
  // Passed on byte for byte: the shell reads nothing in them.
  if (extraArguments)
    for (const SString &argument : *extraArguments)
      command += " " + quoteForShell(argument);
  log(lt::kExecuting + command +
      (autoSetWorkingDir_ ? lt::kInWorkingDirectory + directory
                          : SString(lt::kInCurrentDirectory)));

  const SString savedJavaHome = getEnvironment(lt::kJavaHomeVariable);
  setEnvironment(lt::kJavaHomeVariable, jvmFile.getValue(lt::kJvmHomeKey));
  const int type = host.getLauncherType(host.getLauncherPath());
  if (type == 0 || type == 2) {
    if (const StringDeque *settings = jvmFile.findValues(lt::kSetEnvForWizardKey)) {
      for (SString setting : *settings) {
        setting.trim(BLANK_CHARS);
        if (setting.isEmpty())
          continue;
        const SString::size_type equals = setting.find('=');
        SString name = setting.substring(0, equals);
        SString value = equals == SString::npos ? SString() : setting.substring(equals + 1);
        name.trim(BLANK_CHARS);
        value.trim(BLANK_CHARS);
        setEnvironment(name, value);
      }
    }
  }

  const bool console = displayConsole_ || forceConsole;
  CommandOptions options;
  options.workingDirectory = directory;
  options.capture = captureOutput_ && !console;
  options.redirect = true;
  options.standardOutput = &capturedOutput_;
  options.standardError = &capturedError_;
  options.inputFromNull = inputFromNull_;
  options.timeoutSeconds = timeoutSeconds_;
  options.timedOut = &timedOut_;
  timedOut_ = false;
  const int code = runCommand(command, options);
  setEnvironment(lt::kJavaHomeVariable, savedJavaHome);

  if (!console && captureOutput_) {
    log(lt::kOutputHeader);
    log(lt::kStdOut);
    log(capturedOutput_);
    log(lt::kErrOut);
    log(capturedError_);
  }
  return code;
}
