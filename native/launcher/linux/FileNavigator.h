// Depth-first directory walkers: FileNavigator, the tree remover DeleteFullDir, and FindFiles
// with its listener, which the whole-disk search of JVMs uses.
#pragma once

#include "base/Deque.h"
#include "base/Handles.h"
#include "base/SString.h"

#include <map>
#include <memory>
#include <sys/types.h>
#include <vector>

class FileNavigator {
public:
  FileNavigator() = default;
  FileNavigator(const FileNavigator &) = delete;
  FileNavigator &operator=(const FileNavigator &) = delete;
  virtual ~FileNavigator() = default;

  // Walks the tree below start, each directory's files before its subdirectories, the
  // subdirectory found last walked first. Links are never followed: a link is reported as a
  // file. Block devices and sockets are neither walked nor reported. Returns true when
  // onFile asked to stop. Directories that cannot be opened are passed over. Every 1000
  // files reported make one progress step.
  virtual bool walk(const SString &start);
  // Called for every entry that is not a directory; true stops the walk.
  virtual bool onFile(const SString &path) = 0;
  // True keeps the walk out of path.
  virtual bool skipDirectory(const SString &path);

  // Every directory taken during the last walk, in the order taken; kept only while
  // keepVisited is on (it is by default).
  const StringDeque &getVisited() const { return visited_; }

protected:
  // A walk of a whole disk needs no record of every directory it saw, and would grow with it.
  void setKeepVisited(bool on) { keepVisited_ = on; }
  // Called for a block device or a socket, which is neither walked nor reported.
  virtual void onOtherEntry(const SString &path);
  // Asked once the directory is open (fd); true keeps the walk out of it.
  virtual bool skipOpenedDirectory(const SString &path, int fd);

private:
  // A directory still to walk, with the open directory it lies in (when that is kept).
  struct PendingDirectory {
    SString path;
    std::shared_ptr<const UniqueFd> parent;
    SString::size_type nameStart;
    int depth;
  };

  StringDeque visited_;
  // Used as a stack: last in, first out.
  std::vector<PendingDirectory> pending_;
  bool keepVisited_ = true;
};

// Removes a whole tree: every file during the walk, then the directories deepest first.
// A directory below which something could not be removed is kept without further noise.
class DeleteFullDir final : public FileNavigator {
public:
  bool walk(const SString &start) override;
  bool onFile(const SString &path) override;

  const StringDeque &getFailed() const { return failed_; }

protected:
  // Sockets and device nodes go like files.
  void onOtherEntry(const SString &path) override;

private:
  StringDeque failed_;
};

// Told of every file that FindFiles finds.
class FileFindListener {
public:
  FileFindListener() = default;
  FileFindListener(const FileFindListener &) = delete;
  FileFindListener &operator=(const FileFindListener &) = delete;
  virtual ~FileFindListener() = default;

  // True ends the walk.
  virtual bool fileFound(const SString &path) = 0;
};

// Reports, to its listener, every file whose path ends with one of the names (a file name
// or a relative path) just after a "/": bin/java matches /opt/x/bin/java but neither
// /opt/x/sbin/java nor the path bin/java itself. A path that ends with several names is
// reported once per name, in the order of the names. Never enters /tmp, the launcher's
// temporary directory, nor a kernel file system (proc, sysfs, devtmpfs, cgroup, debugfs,
// tracefs, securityfs), which holds no JVM but many entries that change while they are read;
// each of those is logged once.
class FindFiles final : public FileNavigator {
public:
  // names and listener are not owned and must outlive the object. tempDirectory is the
  // launcher's temporary directory (a "/" is added when it has none).
  FindFiles(const StringDeque &names, FileFindListener &listener, SString tempDirectory);

  bool onFile(const SString &path) override;
  bool skipDirectory(const SString &path) override;

protected:
  bool skipOpenedDirectory(const SString &path, int fd) override;

private:
  bool isKernelFileSystem(int fd, dev_t device);

  const StringDeque &names_;
  FileFindListener &listener_;
  SString tempDirectory_;
  // Whether each file system met so far (by device) is a kernel one.
  std::map<dev_t, bool> kernelFileSystems_;
};

// Walks every root of the file system (getSearchRoots) with a FindFiles for the names;
// stops at the first walk that the listener ended.
void searchFileSystem(const StringDeque &names, FileFindListener &listener,
                      const SString &tempDirectory);

// True when path and every directory above it belong to root or to the effective user and
// cannot be written by group or others (a directory that others may write passes with the
// sticky bit, as /var/tmp has): nobody else can have put a program there. A link is looked at
// as itself (its owner), and then what it leads to must pass too.
bool isTrustedPath(const SString &path);
