// Depth-first directory walkers, the search of the file system for named files, and the
// check that a found program is one that only trusted users could have put there.
#include "native/launcher/linux/FileNavigator.h"

#include "base/Handles.h"
#include "base/Log.h"
#include "base/TextFunctions.h"
#include "native/launcher/linux/Console.h"
#include "native/launcher/linux/FileSystem.h"
#include "native/launcher/linux/PlatformTexts.h"
#include "native/launcher/linux/Signals.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace {

// A whole-disk walk shows one progress dot per this many files, so the user sees activity.
constexpr long kFilesPerProgressStep = 1000;

enum class EntryKind { Directory, File, Other };

bool isDotEntry(const char *name) {
  return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// One record of getdents64.
struct LinuxDirent {
  ino64_t d_ino;
  off64_t d_off;
  unsigned short d_reclen;
  unsigned char d_type;
  char d_name[1];
};

// Enough for the entries of most directories in one call.
constexpr std::size_t kDirectoryBufferSize = 64 * 1024;
// Directories down to this depth keep their descriptor open while subdirectories of theirs
// wait to be walked.
constexpr int kMaxHeldDepth = 64;

// What the directory says the entry is; only an unknown type costs a look at the entry
// itself. Links are never followed. Block devices and sockets share the directory bit of a
// mode, so they were always taken for directories that cannot be opened: they are neither
// walked nor reported.
EntryKind kindOf(unsigned char type, const SString &path) {
  switch (type) {
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
  pending_.push_back({start, nullptr, 0, 0});
  long reported = 0;
  bool stop = false;
  std::vector<char> buffer(kDirectoryBufferSize);
  while (!pending_.empty() && !stop) {
    const PendingDirectory next = std::move(pending_.back());
    pending_.pop_back();
    const SString &directory = next.path;
    if (keepVisited_)
      visited_.add(directory);
    if (skipDirectory(directory))
      continue;
    // A subdirectory is opened from its parent's descriptor, which spares the kernel the
    // walk along the whole path; never through a link that took its place meanwhile.
    const auto fd = std::make_shared<UniqueFd>(retryOnEintr([&] {
      return next.parent ? ::openat(next.parent->get(), directory.cStr() + next.nameStart,
                                    O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW)
                         : ::open(directory.cStr(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }));
    if (!*fd || skipOpenedDirectory(directory, fd->get()))
      continue;
    // Deep trees would hold too many descriptors; below this their paths are used.
    const std::shared_ptr<const UniqueFd> parent = next.depth < kMaxHeldDepth ? fd : nullptr;
    SString base(directory);
    ensureTrailingSeparator(base);
    SString path;
    // The entries come straight from the kernel, as many at a time as the buffer holds.
    while (!stop) {
      const long got = ::syscall(SYS_getdents64, fd->get(), buffer.data(), buffer.size());
      if (got <= 0)
        break;
      for (long offset = 0; offset < got && !stop;) {
        const auto *entry = reinterpret_cast<const LinuxDirent *>(buffer.data() + offset);
        offset += entry->d_reclen;
        if (isDotEntry(entry->d_name))
          continue;
        // One buffer for all the paths of a directory: a file's path is needed only while
        // it is reported.
        path.assign(base);
        path.append(entry->d_name);
        const EntryKind kind = kindOf(entry->d_type, path);
        if (kind == EntryKind::Directory) {
          pending_.push_back({path, parent, base.length(), next.depth + 1});
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
  }
  pending_.clear();
  return stop;
}

bool FileNavigator::skipDirectory(const SString &) {
  return false;
}

bool FileNavigator::skipOpenedDirectory(const SString &, int) {
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
  // A whole disk takes a while: a termination signal ends the search between directories.
  // (A removal at the end of the run must go on regardless, so the plain walk does not.)
  throwIfTerminationRequested();
  SString directory(path);
  ensureTrailingSeparator(directory);
  return directory == tempDirectory_ || path == "/tmp";
}

bool FindFiles::skipOpenedDirectory(const SString &path, int fd) {
  struct stat status {};
  if (::fstat(fd, &status) != 0)
    return false;
  // A file system is looked at once: its directories share their device.
  auto known = kernelFileSystems_.find(status.st_dev);
  if (known == kernelFileSystems_.end())
    known = kernelFileSystems_.emplace(status.st_dev, isKernelFileSystem(fd, status.st_dev)).first;
  if (!known->second)
    return false;
  log(platformtext::kSkippingKernelFileSystem + path + platformtext::kSkippingKernelFileSystemEnd);
  return true;
}

bool FindFiles::isKernelFileSystem(int fd, dev_t device) {
  struct statfs fileSystem {};
  if (::fstatfs(fd, &fileSystem) != 0)
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
  UniqueFile mounts(std::fopen("/proc/self/mountinfo", "r"));
  while (mounts && !std::feof(mounts.get())) {
    SString line;
    readLine(mounts.get(), line);
    // ID PARENT MAJOR:MINOR ROOT POINT OPTIONS [FIELDS...] - TYPE SOURCE OPTIONS
    unsigned major = 0, minor = 0;
    const SString::size_type dash = line.find(" - ");
    if (dash == SString::npos || std::sscanf(line.cStr(), "%*s %*s %u:%u", &major, &minor) != 2 ||
        ::makedev(major, minor) != device)
      continue;
    return line.substring(dash + 3).startsWith("devtmpfs ");
  }
  return false;
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
