// Depth-first directory walkers.
#include "native/launcher/linux/FileNavigator.h"

#include "base/Handles.h"
#include "base/TextFunctions.h"
#include "native/launcher/linux/Console.h"
#include "native/launcher/linux/FileSystem.h"

#include <cstring>

namespace {

// A whole-disk walk shows one progress dot per this many files, so the user sees activity.
constexpr long kFilesPerProgressStep = 1000;

bool isDotEntry(const char *name) {
  return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// True when path is directory or lies below it. A plain text prefix would also take the
// sibling "lib64" for being below "lib".
bool isAtOrBelow(const SString &path, const SString &directory) {
  if (path == directory)
    return true;
  SString prefix(directory);
  ensureTrailingSeparator(prefix);
  return path.startsWith(prefix.view());
}

} // namespace

bool FileNavigator::walk(const SString &start) {
  visited_.clear();
  pending_.clear();
  pending_.add(start);
  long reported = 0;
  bool stop = false;
  while (pending_.count() > 0 && !stop) {
    const SString directory = pending_.last();
    pending_.removeLast();
    visited_.add(directory);
    if (skipDirectory(directory))
      continue;
    UniqueDir dir(::opendir(directory.cStr()));
    if (!dir)
      continue;
    SString base(directory);
    ensureTrailingSeparator(base);
    while (!stop) {
      const dirent *entry = ::readdir(dir.get());
      if (!entry)
        break;
      if (isDotEntry(entry->d_name))
        continue;
      const SString path = base + entry->d_name;
      if (isDirectoryEntry(path)) {
        pending_.add(path);
        continue;
      }
      stop = onFile(path);
      if (++reported % kFilesPerProgressStep == 0)
        stepProgress(1);
    }
  }
  return stop;
}

bool FileNavigator::skipDirectory(const SString &) {
  return false;
}

bool DeleteFullDir::onFile(const SString &path) {
  removePath(path);
  return false;
}

bool DeleteFullDir::walk(const SString &start) {
  const bool stopped = FileNavigator::walk(start);
  const StringDeque &visited = getVisited();
  // Deepest first: every directory comes before its parent. A directory that holds
  // something that could not be removed cannot go either, and its failure is already told.
  for (int i = visited.count() - 1; i >= 0; --i) {
    const SString &directory = visited.get(i);
    bool blocked = false;
    for (const SString &failure : failed_)
      if (isAtOrBelow(failure, directory)) {
        blocked = true;
        break;
      }
    if (!blocked && !removePath(directory))
      failed_.add(directory);
  }
  return stopped;
}
