// The input-file option: another program names an action and its settings in a tag file,
// and reads the result as plain lines on standard output.
#include "launcher/Launcher.h"

#include "base/Handles.h"
#include "base/LauncherException.h"
#include "base/Log.h"
#include "base/TextFunctions.h"
#include "launcher/LauncherTexts.h"
#include "native/launcher/linux/ChildProcess.h"
#include "native/launcher/linux/Console.h"
#include "native/launcher/linux/MessageCatalog.h"
#include "payload/TempFiles.h"

#include <exception>

namespace lt = launchertext;

namespace {
// Keys of an input file.
constexpr const char *kActionKey = "ACTION";
constexpr const char *kLogFileKey = "LOGFILE";
constexpr const char *kShowProgressKey = "SHOW_PROGRESS";
constexpr const char *kShowFailMessageKey = "SHOW_FAIL_MSG";
constexpr const char *kVerifyJvmFileKey = "VERIFY_JVM_FILE";
constexpr const char *kVerifyJvmHomeKey = "VERIFY_JVM_HOME";
constexpr const char *kInstallJvmExeKey = "INSTALL_JVM_EXE";
constexpr const char *kInstallJvmDestKey = "INSTALL_JVM_DEST";

void writeNumber(long value) {
  printResultLine(formatLong(value));
}
} // namespace

void Launcher::processInputFile(const SString &argument, OptionState &state) {
  try {
    // Some shells pass the name between its quotes.
    SString name = argument;
    if (name.startsWith("\""))
      name.erase(0, 1);
    if (name.endsWith("\""))
      name.erase(name.length() - 1);
    if (name.isEmpty())
      throw LauncherException(getErrorText(ERR_OPEN_INPUT_FILE));
    UniqueFile file(std::fopen(name.cStr(), "r"));
    if (!file)
      throw LauncherException(getErrorText(ERR_OPEN_INPUT_FILE));
    log(lt::kLoadingInputFile + argument);
    TagFile inputFile;
    inputFile.read(file.get(), argument, 0, -1);
    setLogFile(inputFile.getValue(kLogFileKey));
    file.reset();

    try {
      launcherFile_.applyInputFile(inputFile);
    } catch (const LauncherException &e) {
      printErrorUnlessSilent(e.getMessage());
      throw;
    }
    readIndexForRun(/*parseTagEntries=*/true);
    state.inputFileRead = true;
    performAction(inputFile, state);
  } catch (const LauncherException &e) {
    printErrorUnlessSilent(getErrorText(ERR_INPUT_FILE) + e.getMessage());
    throw;
  }
}

void Launcher::performAction(const TagFile &inputFile, OptionState &state) {
  const bool showProgress = inputFile.getBoolean(kShowProgressKey, false);
  const bool showFailureMessage = inputFile.getBoolean(kShowFailMessageKey, false);
  if (!showProgress && !showFailureMessage)
    disableConsoleOutput();
  else
    enableConsoleOutput();
  if (showProgress)
    setProgress(0);

  const SString action = inputFile.getValue(kActionKey);
  if (action == "RUN_INSTRUCTIONS") {
    state.defaultRun = true;
    return;
  }
  state.defaultRun = false;
  if (action == "SEARCH") {
    searchAction(showProgress, showFailureMessage);
  } else if (action == "SEARCH_ALL") {
    searchAllAction(showProgress, showFailureMessage);
  } else if (action == "VERIFY_JVM") {
    const SString file = inputFile.getValue(kVerifyJvmFileKey);
    const SString home = inputFile.getValue(kVerifyJvmHomeKey);
    if (file.isEmpty() || home.isEmpty()) {
      log(lt::kVerifyJvmKeysMissing, LOG_ERROR);
      state.result = -1;
      return;
    }
    verifyJVMAction(showProgress, showFailureMessage, file, home);
  } else if (action == "INSTALL_JVM") {
    const SString command = inputFile.getValue(kInstallJvmExeKey);
    const SString destination = inputFile.getValue(kInstallJvmDestKey);
    if (!command.isEmpty() && !destination.isEmpty())
      installJVMAction(showProgress, showFailureMessage, command, destination);
  } else {
    const SString text = getErrorText(ERR_INVALID_ACTION) + action;
    printErrorUnlessSilent(text);
    throw LauncherException(text);
  }
  setProgress(100);
}

void Launcher::searchAction(bool showProgress, bool showFailureMessage) {
  try {
    doFindJVM(showProgress, showFailureMessage);
    const int found = getNumericVariable(1);
    writeNumber(found);
    if (found != 0) {
      printResultLine(getStringVariable(1));
      printResultLine(getStringVariable(2));
      // The saved JVM file is the caller's now.
      unregisterTempFile(getStringVariable(2));
    }
  } catch (const LauncherException &) {
    // The search has told and logged it already; the caller sees no result lines.
  } catch (const std::exception &) {
    log(lt::kUnexpectedSearchFailure, LOG_ERROR);
  }
}

void Launcher::searchAllAction(bool showProgress, bool showFailureMessage) {
  log(lt::kFindingAllJVMs);
  if (showProgress) {
    showStatus(1);
    enableConsoleOutput();
  } else {
    disableConsoleOutput();
  }
  try {
    JVMMatchPtrDeque matches;
    launcherFile_.getJVMFiles().searchAll(*this, matches, /*stopAtFirst=*/false);
    writeNumber(matches.count());
    for (const JVMMatch &match : matches) {
      const SString path = saveMatchAsJVMFile(match);
      unregisterTempFile(path);
      printResultLine(match.getHome());
      printResultLine(path);
    }
  } catch (const LauncherException &e) {
    const SString text = getErrorText(ERR_SEARCH_ALL) + e.getMessage();
    log(text, LOG_ERROR);
    if (showFailureMessage)
      printErrorUnlessSilent(text);
    writeNumber(0);
  }
}

void Launcher::verifyJVMAction(bool showProgress, bool showFailureMessage,
                               const SString &jvmFilePath, const SString &jvmHome) {
  TagFile jvmFile(jvmFilePath);
  verifyJVMFile(showProgress, showFailureMessage, jvmFile, jvmHome);
  writeNumber(getNumericVariable(1));
}

void Launcher::installJVMAction(bool, bool, const SString &installerCommand,
                                const SString &destination) {
  runCommand(installerCommand, destination, /*capture=*/false, /*redirect=*/false, nullptr, nullptr,
             /*replace=*/false);
  SString jvmFilePath = destination;
  ensureTrailingSeparator(jvmFilePath);
  jvmFilePath += lt::kJvmFileName;
  TagFile jvmFile(jvmFilePath);
  jvmFile.setJVMSettings(destination, jvmFilePath, /*temp=*/false);
  jvmFile.write(jvmFilePath);
  printResultLine(jvmFilePath);
}
