// File and environment helpers of the platform layer.
#pragma once

#include "base/Deque.h"
#include "base/Handles.h"
#include "base/SString.h"

#include <cstdint>
#include <sys/types.h>

// True when the status of path can be read (symbolic links followed).
bool pathExists(const SString &path);
// True when path's own status (links not followed) has the directory bit 0x4000.
bool isDirectoryEntry(const SString &path);
// True when path names a directory (links followed).
bool isDirectory(const SString &path);

// Removes a file or a link (never followed), or an empty directory. False when the status
// cannot be read (nothing logged) or the removal fails (logged as a warning
// "Could not delete P :  error").
bool removePath(const SString &path);
// Removes path: a whole tree when it is a directory entry, else the one file or link.
void removeTree(const SString &path);

// Adds the execute bits 0111 to the file's mode; failures are ignored.
void makeExecutable(const SString &path);

// True when the file system of directory (the current one when directory is empty or
// relative) has room for bytes in files files. Raises LauncherException with the system's
// error text when its statistics cannot be read.
bool hasFreeSpace(const SString &directory, std::uint64_t bytes, std::uint64_t files);
// The rule of hasFreeSpace for a file system with the given fragment size and available
// fragments: bytes in whole fragments, plus one partial fragment for a single file whose size
// is not a multiple, or one per file when there are several, must not exceed the space.
bool fitsInFreeSpace(std::uint64_t fragmentSize, std::uint64_t availableFragments,
                     std::uint64_t bytes, std::uint64_t files);

// Six characters drawn from a-z, A-Z and 0-9, for names that must not be guessed.
SString randomNameSuffix();

// A file made under a name of its own: prefix followed by randomNameSuffix().
struct CreatedFile {
  SString path;
  UniqueFd fd;
};
// Creates a new file named prefix + six random characters with the given mode (less the
// umask), exclusively and without following a link; a name that is taken is tried again
// with other characters. On failure the result's fd is invalid, errno tells why and path
// holds the last name tried.
CreatedFile createUniqueFile(const SString &prefix, mode_t mode);

// A file written under a new name beside its target and renamed over the target once it is
// complete, so that nothing that already has the name (a file, a link, a FIFO) is ever
// opened: a link is replaced by the new file, never followed. Removed unless committed.
class ReplacementFile {
public:
  ReplacementFile() = default;
  ReplacementFile(const ReplacementFile &) = delete;
  ReplacementFile &operator=(const ReplacementFile &) = delete;
  ~ReplacementFile();

  // Creates the new file in target's directory with mode (less the umask). Returns 0, or the
  // errno of the failure: EISDIR when target names a directory (then nothing is created).
  int create(const SString &target, mode_t mode = 0666);
  int fd() const { return fd_.get(); }
  // The name the file has until it is committed; empty before create.
  const SString &getTemporaryPath() const { return temporary_; }
  // Adds the execute bits 0111 to the new file's mode; 0 or the errno.
  int makeExecutable();
  // Closes the file and renames it over the target; 0 or the errno (the new file is then
  // removed).
  int commit();

private:
  void discard();

  SString target_;
  SString temporary_;
  UniqueFd fd_;
};

// The path of the running executable. named is kept when it names that file (the same
// device and inode as the file that /proc/self/exe opens) or when /proc cannot tell, also
// when the executable cannot be opened for reading; otherwise the resolved
// path of /proc/self/exe, so that a name found through PATH, or one that another file
// shadows in the current directory, never stands for the wrong file.
SString resolveRunningExecutable(const SString &named);

// False when directory lies on a file system mounted noexec, where no program can run; true
// otherwise (also when that cannot be told).
bool allowsPrograms(const SString &directory);

// Deletes the launcher file, then its directory if it is empty; failures are ignored.
void removeLauncherFile(const SString &launcherPath);

// The current working directory, whatever its length. Raises LauncherException when it
// cannot be read.
SString getCurrentDirectory();

// The value of an environment variable, empty when unset.
SString getEnvironment(const SString &name);
// Sets a variable for this process and its children.
void setEnvironment(const SString &name, const SString &value);
// The variable's value split at every ":", empty pieces included; empty when unset.
void getEnvironmentList(StringDeque &list, const SString &variable);
void getPathList(StringDeque &list);
// Appends the roots of the whole-disk search ("/").
void getSearchRoots(StringDeque &list);
SString getPathSeparator();
