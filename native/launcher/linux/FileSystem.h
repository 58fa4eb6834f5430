// File and environment helpers of the platform layer.
#pragma once

#include "base/Deque.h"
#include "base/SString.h"

#include <cstdint>

// True when the status of path can be read (symbolic links followed).
bool pathExists(const SString &path);
// True when path's own status (links not followed) has the directory bit 0x4000.
bool isDirectoryEntry(const SString &path);
// True when path names a directory (links followed).
bool isDirectory(const SString &path);

// Removes a file, or an empty directory. False when the status cannot be read (nothing
// logged) or the removal fails (logged as a warning "Could not delete P :  error").
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
