// Temporary files and directories: unique names created exclusively, removal at the end.
#include "payload/TempFiles.h"

#include "base/Deque.h"
#include "base/LauncherException.h"
#include "base/SystemError.h"
#include "native/launcher/linux/MessageCatalog.h"
#include "payload/PayloadTexts.h"

#include <cerrno>
#include <sys/stat.h>

namespace {
struct TempState {
  SString root;
  StringDeque files;
  StringDeque directories;
  SString selfDeletingLauncher;
};

TempState &state() {
  static TempState instance;
  return instance;
}

// Enough tries that a collision can only mean something is filling the directory on
// purpose; then the last error stands.
constexpr int kMaxNameTries = 10000;

// DIR/qgj of the next name: TMPDIR when it names a directory, else the checked root.
SString namePrefix() {
  const SString root = getTempRoot();
  const SString tmpdir = getEnvironment("TMPDIR");
  SString directory = !tmpdir.isEmpty() && isDirectory(tmpdir) ? tmpdir : root;
  while (directory.endsWith("/"))
    directory.erase(directory.length() - 1);
  return directory + "/" + payloadtext::kTempPrefix;
}

// Removal at the end of the run must not stop at one bad path, nor raise from the guard's
// destructor.
void removeQuietly(const SString &path) {
  try {
    removeTree(path);
  } catch (...) {
  }
}

void removeFirst(StringDeque &list, const SString &path) {
  for (int i = 0; i < list.count(); ++i) {
    if (list.get(i) == path) {
      list.removeAt(i);
      return;
    }
  }
}
} // namespace

void setTempRoot(const SString &path) {
  state().root = path;
}

SString getTempRoot() {
  SString &root = state().root;
  if (root.isEmpty())
    root = payloadtext::kDefaultTempRoot;
  if (!isDirectory(root))
    throw LauncherException(getMessage(MSG_BAD_TEMP_ROOT, root.cStr()));
  return root;
}

SString createTempDirectory() {
  const SString prefix = namePrefix();
  for (int attempt = 0; attempt < kMaxNameTries; ++attempt) {
    const SString name = prefix + randomNameSuffix();
    if (::mkdir(name.cStr(), 0700) == 0) {
      state().directories.add(name);
      return name;
    }
    if (errno != EEXIST)
      break;
  }
  throw LauncherException(systemErrorText(errno));
}

CreatedFile createTempFile() {
  CreatedFile created = createUniqueFile(namePrefix(), 0600);
  if (!created.fd)
    throw LauncherException(payloadtext::kCannotCreateTempFile + created.path);
  state().files.add(created.path);
  return created;
}

void unregisterTempFile(const SString &path) {
  removeFirst(state().files, path);
}

void unregisterTempDirectory(const SString &path) {
  removeFirst(state().directories, path);
}

void setSelfDeletingLauncher(const SString &launcherPath) {
  state().selfDeletingLauncher = launcherPath;
}

void removeTempFiles() {
  TempState &s = state();
  for (const SString &path : s.files)
    removeQuietly(path);
  for (const SString &path : s.directories)
    removeQuietly(path);
  if (s.selfDeletingLauncher.isEmpty())
    return;
  try {
    removeLauncherFile(s.selfDeletingLauncher);
  } catch (...) {
  }
}

void resetTempFilesForTesting() {
  state() = TempState();
}
