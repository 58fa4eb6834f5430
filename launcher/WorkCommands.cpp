// The work commands of the instruction script: find, verify and install a JVM, and hand the
// run over to an embedded launcher.
#include "launcher/Launcher.h"

#include "base/LauncherException.h"
#include "base/Log.h"
#include "base/SystemError.h"
#include "base/TextFunctions.h"
#include "jvm/JVMTexts.h"
#include "launcher/LauncherTexts.h"
#include "native/launcher/linux/ChildProcess.h"
#include "native/launcher/linux/Console.h"
#include "native/launcher/linux/FileSystem.h"
#include "native/launcher/linux/MessageCatalog.h"
#include "payload/TempFiles.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace lt = launchertext;

namespace {
// Makes directory and every missing one above it; 0 or the errno of the failure.
int makeDirectories(const SString &directory) {
  for (SString::size_type slash = directory.find('/', 1);; slash = directory.find('/', slash + 1)) {
    const SString part = slash == SString::npos ? directory : directory.substring(0, slash);
    if (::mkdir(part.cStr(), 0777) != 0 && errno != EEXIST)
      return errno;
    if (slash == SString::npos)
      return isDirectory(directory) ? 0 : ENOTDIR;
  }
}
} // namespace

SString Launcher::extractVerifyArchive() {
  SString path;
  for (const FileIndexEntry &entry : launcherFile_.getEntries())
    if (entry.getType() == FILE_VERIFY_ARCHIVE)
      path = launcherFile_.extractCheckedEntry(entry, createTempDirectory());
  return path;
}

void Launcher::doFindJVM(bool showUI, bool showFailureMessage) {
  log(lt::kFindingJVM);
  if (showUI) {
    showStatus(1);
    enableConsoleOutput();
  } else {
    disableConsoleOutput();
  }
  setStringVariable(1, SString());
  setStringVariable(2, SString());
  setNumericVariable(1, 0);
  try {
    JVMMatchPtrDeque matches;
    launcherFile_.getJVMFiles().findJVM(*this, matches);
    if (const JVMMatch *match = matches.get(0)) {
      const SString path = saveMatchAsJVMFile(*match);
      const SString &home = match->getHome();
      log(lt::kMatchingHome + home);
      log(lt::kMatchingFile + path);
      setStringVariable(1, home);
      setStringVariable(2, path);
      setNumericVariable(1, 1);
      return;
    }
    const SString text = getErrorText(ERR_NO_SUITABLE_JVM);
    log(text);
    if (showFailureMessage)
      printErrorUnlessSilent(text);
  } catch (const LauncherException &e) {
    const SString text = getErrorText(ERR_NO_SUITABLE_JVM) + " " + e.getMessage();
    log(text, LOG_ERROR);
    if (showFailureMessage)
      printErrorUnlessSilent(text);
    throw;
  }
}

void Launcher::doVerify(bool showUI, bool showFailureMessage, int fileId) {
  if (showUI) {
    showStatus(1);
    enableConsoleOutput();
  } else {
    disableConsoleOutput();
  }
  const FileIndexEntry *entry = launcherFile_.findEntryById(static_cast<std::uint32_t>(fileId));
  if (!entry)
    throw LauncherException(lt::kVerifyNoEntry + formatLong(fileId) + lt::kVerifyNoEntryEnd);
  if (entry->getType() != FILE_JVM)
    throw LauncherException(lt::kVerifyWrongType + formatLong(fileId) + lt::kVerifyWrongTypeName +
                            entry->getName());
  if (!entry->getTagFile())
    throw LauncherException(lt::kVerifyUnreadable + formatLong(fileId) + lt::kVerifyUnreadableEnd);
  verifyJVMFile(showUI, showFailureMessage, *entry->getTagFile(), userJavaHome_);
}

void Launcher::verifyJVMFile(bool showUI, bool showFailureMessage, TagFile &jvmTagFile,
                             const SString &home) {
  setNumericVariable(1, 0);
  if (showUI)
    showSearchStatus(3, jvmTagFile.getValue(jvmtext::kDescKey));
  JVMFile jvmFile(jvmTagFile);
  SString classpath, className;
  launcherFile_.getJVMFiles().getVerifyClass(*this, classpath, className);
  const std::unique_ptr<JVMMatch> match = home.isEmpty()
                                              ? jvmFile.verifyAtJVMHome(*this, classpath, className)
                                              : jvmFile.verify(*this, home, classpath, className);
  if (!match) {
    if (showFailureMessage)
      printUnlessSilent(getErrorText(ERR_JVM_NOT_VALID));
    log(lt::kJVMInvalid);
    return;
  }
  // The verification left the verified home in the tag file, so a later ILAUNCH of the same
  // file launches that JVM.
  const SString verified = jvmTagFile.getValue(jvmtext::kJvmHomeKey);
  setNumericVariable(1, 1);
  setStringVariable(1, verified);
  log(lt::kJVMValid + verified);
}

SString Launcher::promptedDestination() {
  SString destination = promptForJVMDestination();
  if (destination.isEmpty())
    return destination;
  // The home goes into the "jvm" file, which must name it wherever the wizard starts.
  if (!destination.startsWith("/")) {
    SString absolute = getCurrentDirectory();
    ensureTrailingSeparator(absolute);
    destination = absolute + destination;
  }
  if (const int error = makeDirectories(destination); error != 0) {
    log(lt::kCannotMakeDestination + destination + ": " + systemErrorText(error), LOG_ERROR);
    return SString();
  }
  return destination;
}

void Launcher::doInstallJVM(int mode) {
  setNumericVariable(1, 0);
  setStringVariable(1, SString());
  if (mode == 0) {
    disableConsoleOutput();
  } else {
    enableConsoleOutput();
    showStatus(4);
  }
  const FileIndexEntry *installer = nullptr;
  for (const FileIndexEntry &entry : launcherFile_.getEntries())
    if (entry.getType() == FILE_JVM_INSTALLER) {
      installer = &entry;
      break;
    }
  if (!installer)
    throw LauncherException(getErrorText(ERR_NO_JVM_INSTALLER));
  const SString destination = mode == 2 ? promptedDestination() : createTempDirectory();
  if (destination.isEmpty())
    return;
  // An installer that cannot run would leave nothing but a missing "jvm" file to go by.
  if (!allowsPrograms(destination))
    throw LauncherException(lt::kNoPrograms + destination +
                            (mode == 2 ? lt::kNoProgramsDestination : lt::kNoProgramsTemp));

  const SString program = launcherFile_.extractCheckedEntry(*installer, destination);
  SString output, error;
  runCommand(quoteForShell(program), destination, /*capture=*/true, /*redirect=*/true, &output,
             &error, /*replace=*/false);
  removeTree(program);

  SString jvmFilePath = destination;
  ensureTrailingSeparator(jvmFilePath);
  jvmFilePath += lt::kJvmFileName;
  if (!pathExists(jvmFilePath)) {
    log(lt::kMissingJvmFile, LOG_ERROR);
    return;
  }
  TagFile jvmFile(jvmFilePath);
  jvmFile.setJVMSettings(destination, jvmFilePath, /*temp=*/true);
  jvmFile.write(jvmFilePath);
  setNumericVariable(1, 1);
  setStringVariable(1, jvmFilePath);
}

void Launcher::doExecuteLauncher(int position) {
  const FileIndexEntry *entry = launcherFile_.getEntry(position);
  if (!entry || entry->getType() != FILE_LAUNCHER) {
    log(lt::kNoEmbeddedLauncher, LOG_ERROR);
    return;
  }
  // The copy's directory outlives this process: the copy removes it when it ends.
  const SString directory = createTempDirectory();
  if (!allowsPrograms(directory))
    throw LauncherException(lt::kNoPrograms + directory + lt::kNoProgramsTemp);
  // A copy that cannot be made whole goes with this run's other temporary files.
  const SString program = launcherFile_.extractCheckedEntry(*entry, directory);
  unregisterTempDirectory(directory);
  // The arguments go to the new launcher as they are, not through a command line.
  StringDeque arguments;
  arguments.add(program);
  arguments.add(lt::kOriginalOption);
  arguments.add(launcherPath_);
  for (const SString &argument : allArguments_)
    arguments.add(argument);
  // Nothing of this run is left behind once the copy has taken over; a program that could
  // not even start keeps them for the rest of the script.
  if (::access(program.cStr(), X_OK) == 0)
    removeTempFiles();
  replaceProcess(arguments);
}
