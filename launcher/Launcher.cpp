// Launcher: the option loop, the default run and the services the other subsystems call.
#include "launcher/Launcher.h"

#include "base/Handles.h"
#include "base/LauncherException.h"
#include "base/Log.h"
#include "base/TextFunctions.h"
#include "instructions/Instructions.h"
#include "instructions/InstructionsException.h"
#include "launcher/LauncherTexts.h"
#include "native/launcher/linux/Console.h"
#include "native/launcher/linux/MessageCatalog.h"
#include "native/launcher/linux/Signals.h"
#include "payload/PayloadTexts.h"
#include "payload/RangeCopier.h"
#include "payload/TempFiles.h"

#include <cerrno>
#include <exception>
#include <fcntl.h>

namespace {

// The wizard's exit code for a failure that it has already told the user about.
constexpr int kQuietExitCode = 232;

std::unique_ptr<Launcher> &launcherHolder() {
  static auto launcher = std::make_unique<Launcher>();
  return launcher;
}

} // namespace

Launcher &Launcher::instance() {
  return *launcherHolder();
}

void Launcher::resetForTesting() {
  launcherHolder() = std::make_unique<Launcher>();
}

int Launcher::run(const StringDeque &arguments, const SString &launcherPath) {
  launcherPath_ = launcherPath;
  originalLauncherName_ = launcherPath;
  launcherFile_.setLauncherPath(launcherPath);
  for (const SString &argument : arguments)
    allArguments_.add(argument);

  SString failure;
  try {
    return processCommandLine(arguments);
  } catch (const LauncherException &e) {
    failure = e.getMessage();
  } catch (const std::exception &e) {
    // Nothing raises these on purpose; ending in order keeps the temporary files cleaned.
    failure = SString(launchertext::kUnexpectedFailure) + e.what();
  } catch (const RangeException &) {
    failure = SString(launchertext::kUnexpectedFailure) + "position out of range";
  } catch (const LengthException &) {
    failure = SString(launchertext::kUnexpectedFailure) + "text too long";
  } catch (const TerminationRequested &e) {
    log(launchertext::kEndedBySignal + formatLong(e.getSignal()) + ".", LOG_WARNING);
    return e.exitStatus();
  }
  printErrorUnlessSilent(failure);
  log(failure, LOG_ERROR);
  return -1;
}

int Launcher::processCommandLine(const StringDeque &arguments) {
  setRunningAsCopy(false);
  setProgress(0);
  OptionState state;
  for (int i = 0; i < arguments.count(); ++i)
    processOption(arguments, i, state);
  if (!state.defaultRun)
    return state.result;

  readIndexForRun(/*parseTagEntries=*/true);
  // An input file may run a bare stub with files from disk; only a payload must be whole.
  if (!state.inputFileRead)
    requireIndex();
  // Without a script the run ends at once: no closing line break for progress never shown.
  if (!launcherFile_.getInstructions())
    return -1;
  const int result = runInstructions();
  setProgress(100);
  return result;
}

// Applies the option at index, taking its value (if any) by moving index on; any other
// argument is kept for the launched command.
void Launcher::processOption(const StringDeque &arguments, int &index, OptionState &state) {
  const SString &option = arguments.get(index);
  const bool hasValue = index + 1 < arguments.count();
  auto takeValue = [&]() -> const SString & { return arguments.get(++index); };

  if (option == "-qg:log") {
    if (hasValue) {
      setLogFile(takeValue());
    } else {
      state.result = -1;
      printUnlessSilent(getErrorText(ERR_LOG_FILE_MISSING));
    }
  } else if (option == "-qg:orig") {
    if (hasValue) {
      originalLauncherName_ = takeValue();
      setRunningAsCopy(true);
    } else {
      state.result = -1;
      printUnlessSilent(launchertext::kMissingOriginalName);
    }
  } else if (option == "-qg:tempdir") {
    if (hasValue)
      setTempRoot(takeValue());
  } else if (option == "-qg:silent") {
    setSilent(true);
  } else if (option == "-silent") {
    setSilent(true);
    extraArguments_.add(option);
  } else if (option == "-qg:javahome") {
    if (hasValue)
      userJavaHome_ = takeValue();
  } else if (option == "-qg:extract") {
    extractPayload();
    state.defaultRun = false;
  } else if (option == "-qg:in") {
    if (!hasValue) {
      printUnlessSilent(getErrorText(ERR_INPUT_FILE_MISSING));
      state.defaultRun = false;
      state.result = -1;
    } else {
      processInputFile(takeValue(), state);
    }
  } else if (option == "-qg:check") {
    // Like -qg:version: no default run, and the options after it still count.
    const LauncherFile::IntegrityReport report = launcherFile_.checkIntegrity();
    for (const SString &line : report.lines)
      printErrorUnlessSilent(line);
    state.result = report.status;
    state.defaultRun = false;
  } else if (option == "-qg:version") {
    printUnlessSilent(launchertext::kVersion);
    state.defaultRun = false;
  } else if (option == "-qg:javaconsole") {
    javaConsole_ = true;
  } else if (option == "-console") {
    javaConsole_ = true;
    extraArguments_.add(option);
  } else if (option == "-cp:p") {
    if (hasValue)
      classpathPrepend_ = takeValue();
  } else if (option == "-cp:a") {
    if (hasValue)
      classpathAppend_ = takeValue();
  } else {
    extraArguments_.add(option);
  }
}

void Launcher::readIndexForRun(bool parseTagEntries) {
  withErrorText(ERR_LOAD_INDEX, [&] { launcherFile_.readIndex(parseTagEntries); });
}

void Launcher::requireIndex() const {
  // A launcher cut short (an interrupted download) has lost its trailer; saying nothing
  // would leave the user with a bare failure.
  if (!launcherFile_.hasIndex())
    throw LauncherException(payloadtext::kNoFileIndex);
}

void Launcher::extractPayload() {
  readIndexForRun(/*parseTagEntries=*/false);
  requireIndex();
  withErrorText(ERR_EXTRACT, [&] { launcherFile_.extractAll(); });
  setProgress(100);
}

int Launcher::runInstructions() {
  Instructions *instructions = launcherFile_.getInstructions();
  if (!instructions)
    return -1;
  try {
    return instructions->run(*this);
  } catch (const InstructionsException &e) {
    throw LauncherException(SString(launchertext::kErrorInInstructions) + e.getMessage() +
                            launchertext::kLineNumberOpen + formatLong(e.getLineNumber()) +
                            launchertext::kLineNumberClose);
  }
}

SString Launcher::getOriginalLauncherDir() const {
  const SString::size_type separator = originalLauncherName_.findLastOf("/\\");
  return separator == SString::npos ? SString() : originalLauncherName_.substring(0, separator);
}

int Launcher::getLauncherType(const SString &path) {
  const bool own = path == launcherPath_;
  if (own && launcherType_ != -1)
    return launcherType_;
  const int type = readLauncherType(path);
  // A failed read of the own file is retried next time, since -1 means "not read".
  if (own)
    launcherType_ = type;
  return type;
}

SString Launcher::getApplicationArchive() {
  if (!applicationArchivePath_.isEmpty())
    return applicationArchivePath_;
  const SString directory = createTempDirectory();
  for (const FileIndexEntry &entry : launcherFile_.getEntries())
    if (entry.getType() == FILE_APPLICATION_ARCHIVE)
      applicationArchivePath_ = launcherFile_.extractEntry(entry, directory);
  return applicationArchivePath_;
}

SString Launcher::getApplicationArchive(const SString &name) {
  if (!applicationArchivePath_.isEmpty())
    return applicationArchivePath_;
  SString source = getOriginalLauncherDir();
  ensureTrailingSeparator(source);
  source.append(name);

  SString target = createTempDirectory();
  ensureTrailingSeparator(target);
  const SString::size_type separator = name.findLastOf("/\\");
  target.append(separator == SString::npos ? name : name.substring(separator + 1));

  UniqueFd in(retryOnEintr([&] { return ::open(source.cStr(), O_RDONLY | O_CLOEXEC); }));
  if (!in)
    return applicationArchivePath_;
  // The directory was made for this file a moment ago, so the name is new.
  UniqueFd out(retryOnEintr([&] {
    return ::open(target.cStr(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  }));
  if (!out)
    return applicationArchivePath_;
  RangeCopier copier;
  off_t position = 0;
  int writeError = copier.copyToEnd(in.get(), position, out.get());
  if (::close(out.release()) != 0 && writeError == 0)
    writeError = errno;
  applicationArchivePath_ = target;
  if (writeError != 0)
    throw LauncherException(getErrorText(ERR_WRITING_FILE) + formatLong(writeError) +
                            getErrorText(ERR_DISK_SPACE));
  return applicationArchivePath_;
}

void Launcher::extractClasspathArchives(StringDeque &paths) {
  const SString directory = createTempDirectory();
  for (const FileIndexEntry &entry : launcherFile_.getEntries())
    if (entry.getType() == FILE_CLASSPATH_ARCHIVE)
      paths.add(launcherFile_.extractEntry(entry, directory));
}

SString Launcher::getTempRoot() {
  return ::getTempRoot();
}

SString Launcher::saveMatchAsJVMFile(const JVMMatch &match) {
  CreatedFile file = createTempFile();
  TagFile *tagFile = match.getTagFile();
  tagFile->setJVMSettings(match.getHome(), file.path, match.getJVMTemp());
  // Written through the descriptor that created the file: the name is never opened again.
  if (!writeAll(file.fd.get(), tagFile->toText().view()))
    throw LauncherException(getErrorText(ERR_WRITING_FILE) + formatLong(errno) +
                            getErrorText(ERR_DISK_SPACE));
  return file.path;
}

bool Launcher::showsLaunchErrorOutput(int result) {
  if (result == 0)
    return false;
  // Exit code 232 from a launcher of type 0 or 2 is a quiet failure.
  const int type = getLauncherType(launcherPath_);
  return (type != 0 && type != 2) || result != kQuietExitCode;
}

void Launcher::reportLaunchErrorOutput(int result) {
  if (showsLaunchErrorOutput(result) && !launchErrorOutput_.isEmpty())
    printUnlessSilent(launchErrorOutput_);
}

void Launcher::setRunningAsCopy(bool on) {
  runningAsCopy_ = on;
  setSelfDeletingLauncher(on ? launcherPath_ : SString());
}

SString Launcher::getStringVariable(int n) const {
  if (n < 1 || n > 10)
    throw LauncherException(SString(launchertext::kInvalidStringVariable) + formatLong(n));
  return stringVariables_[static_cast<std::size_t>(n - 1)];
}

void Launcher::setStringVariable(int n, const SString &value) {
  if (n < 1 || n > 10)
    throw LauncherException(SString(launchertext::kInvalidStringVariable) + formatLong(n));
  stringVariables_[static_cast<std::size_t>(n - 1)] = value;
}

int Launcher::getNumericVariable(int n) const {
  if (n < 1 || n > 5)
    throw LauncherException(SString(launchertext::kInvalidNumericVariable) + formatLong(n));
  return numericVariables_[static_cast<std::size_t>(n - 1)];
}

void Launcher::setNumericVariable(int n, int value) {
  if (n < 1 || n > 5)
    throw LauncherException(SString(launchertext::kInvalidNumericVariable) + formatLong(n));
  numericVariables_[static_cast<std::size_t>(n - 1)] = value;
}

int Launcher::doLaunch(const SString &jvmFilePath, short seconds) {
  LaunchScript *script = launcherFile_.getLaunchScript();
  if (!script)
    return -1;
  const TagFile jvmFile(jvmFilePath);
  return launch(*script, jvmFile, seconds);
}

int Launcher::doLaunchById(int fileId, short seconds) {
  LaunchScript *script = launcherFile_.getLaunchScript();
  const FileIndexEntry *entry = launcherFile_.findEntryById(static_cast<std::uint32_t>(fileId));
  if (!script || !entry || entry->getType() != FILE_JVM || !entry->getTagFile()) {
    log(launchertext::kNothingToLaunch, LOG_ERROR);
    return -1;
  }
  return launch(*script, *entry->getTagFile(), seconds);
}

int Launcher::launch(LaunchScript &script, const TagFile &jvmFile, short seconds) {
  if (seconds > 0) {
    showStatus(3);
    showSearchStatus(0, SString());
  }
  // The number has no other use: no timer runs.
  disableConsoleOutput();
  const int result = script.execute(*this, jvmFile, &extraArguments_, javaConsole_);
  launchErrorOutput_ = script.getCapturedError();
  return result;
}

void Launcher::doInitializeUI() {
  showStatus(0);
  showSearchStatus(0, SString());
  enableConsoleOutput();
}
