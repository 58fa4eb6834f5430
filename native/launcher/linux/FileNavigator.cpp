// Depth-first directory walkers, the search of the file system for named files, and the
// check that a found program is one that only trusted users could have put there.
#include "native/launcher/linux/FileNavigator.h"

#include "base/Handles.h"
#include "base/Log.h"
#include "base/TextFunctions.h"
#include "native/launcher/linux/Console.h"
#include "native/launcher/linux/FileSystem.h"
#include "native/launcher/linux/PlatformTexts.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// A whole-disk walk shows one progress dot per this many files, so the user sees activity.
constexpr long kFilesPerProgressStep = 1000;

enum class EntryKind { Directory, File, Other };

bool isDotEntry(const char *name) {
  return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// What readdir says the entry is; only an unknown type costs a look at the entry itself.
// Links are never followed. Block devices and sockets share the directory bit of a mode, so
// they were always taken for directories that cannot be opened: they are neither walked nor
// reported.
EntryKind kindOf(const dirent &entry, const SString &path) {
  switch (entry.d_type) {
  case DT_DIR:
    return EntryKind::Directory;
  case DT_BLK:
  case DT_SOCK:
    return EntryKind::Other;
  case DT_UNKNOWN:
    break;
  default:
    return EntryKind::File;
  }
  struct stat status {};
  // An entry whose status cannot be read is reported as a file.
  if (::lstat(path.cStr(), &status) != 0)
    return EntryKind::File;
  if (S_ISDIR(status.st_mode))
    return EntryKind::Directory;
  return (status.st_mode & 0x4000) != 0 ? EntryKind::Other : EntryKind::File;
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

bool isTrustedOwner(const struct stat &status) {
  return status.st_uid == 0 || status.st_uid == ::geteuid();
}

constexpr mode_t kWritableByOthers = S_IWGRP | S_IWOTH;

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
    if (keepVisited_)
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
      const EntryKind kind = kindOf(*entry, path);
      if (kind == EntryKind::Directory) {
        pending_.add(path);
        continue;
      }
      if (kind == EntryKind::Other) {
        onOtherEntry(path);
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

void FileNavigator::onOtherEntry(const SString &) {}

bool DeleteFullDir::onFile(const SString &path) {
  removePath(path);
  return false;
}

void DeleteFullDir::onOtherEntry(const SString &path) {
  removePath(path);
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

FindFiles::FindFiles(const StringDeque &names, FileFindListener &listener, SString tempDirectory)
    : names_(names), listener_(listener), tempDirectory_(std::move(tempDirectory)) {
  ensureTrailingSeparator(tempDirectory_);
  setKeepVisited(false);
}

bool FindFiles::onFile(const SString &path) {
  for (const SString &name : names_) {
    if (name.length() < path.length() && path.endsWith(name.view()) &&
        path.charAt(path.length() - name.length() - 1) == '/' && listener_.fileFound(path))
      return true;
  }
  return false;
}

bool FindFiles::skipDirectory(const SString &path) {
  SString directory(path);
  ensureTrailingSeparator(directory);
  if (directory == tempDirectory_ || path == "/tmp")
    return true;
  if (!isKernelFileSystem(path))
    return false;
  log(platformtext::kSkippingKernelFileSystem + path + platformtext::kSkippingKernelFileSystemEnd);
  return true;
}

bool FindFiles::isKernelFileSystem(const SString &path) {
  struct statfs fileSystem {};
  if (::statfs(path.cStr(), &fileSystem) != 0)
    return false;
  switch (fileSystem.f_type) {
  case PROC_SUPER_MAGIC:
  case SYSFS_MAGIC:
  case CGROUP_SUPER_MAGIC:
  case CGROUP2_SUPER_MAGIC:
  case DEBUGFS_MAGIC:
  case TRACEFS_MAGIC:
  case SECURITYFS_MAGIC:
    return true;
  case TMPFS_MAGIC:
    break;
  default:
    return false;
  }
  // A devtmpfs is a tmpfs to statfs; the mount table tells them apart.
  struct stat status {};
  if (::stat(path.cStr(), &status) != 0)
    return false;
  if (!mountTypesRead_) {
    mountTypesRead_ = true;
    UniqueFile mounts(std::fopen("/proc/self/mountinfo", "r"));
    while (mounts && !std::feof(mounts.get())) {
      SString line;
      readLine(mounts.get(), line);
      // ID PARENT MAJOR:MINOR ROOT POINT OPTIONS [FIELDS...] - TYPE SOURCE OPTIONS
      unsigned major = 0, minor = 0;
      const SString::size_type dash = line.find(" - ");
      if (dash == SString::npos || std::sscanf(line.cStr(), "%*s %*s %u:%u", &major, &minor) != 2)
        continue;
      SString::size_type typeStart = dash + 3;
      const SString::size_type typeEnd = line.find(' ', typeStart);
      mountTypes_[::makedev(major, minor)] =
          line.substring(typeStart, typeEnd == SString::npos ? SString::npos : typeEnd - typeStart);
    }
  }
  const auto found = mountTypes_.find(status.st_dev);
  return found != mountTypes_.end() && found->second == "devtmpfs";
}

void searchFileSystem(const StringDeque &names, FileFindListener &listener,
                      const SString &tempDirectory) {
  FindFiles finder(names, listener, tempDirectory);
  StringDeque roots;
  getSearchRoots(roots);
  for (SString root : roots) {
    ensureTrailingSeparator(root);
    if (finder.walk(root))
      return;
  }
}

bool isTrustedPath(const SString &path) {
  if (!path.startsWith("/"))
    return false;
  struct stat status {};
  if (::lstat(path.cStr(), &status) != 0 || !isTrustedOwner(status))
    return false;
  if (S_ISLNK(status.st_mode)) {
    // A link has no permissions of its own; what it leads to must pass as well.
    char resolved[PATH_MAX];
    return ::realpath(path.cStr(), resolved) != nullptr && isTrustedPath(SString(resolved));
  }
  if ((status.st_mode & kWritableByOthers) != 0)
    return false;
  SString directory = path;
  while (directory != "/") {
    const SString::size_type slash = directory.rfind('/');
    directory = slash == 0 ? SString("/") : directory.substring(0, slash);
    if (::lstat(directory.cStr(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        !isTrustedOwner(status))
      return false;
    if ((status.st_mode & kWritableByOthers) != 0 && (status.st_mode & S_ISVTX) == 0)
      return false;
  }
  return true;
}
