// The temporary-file service: one root directory, unique names below it, and the lists of
// files and directories that are removed when the run ends.
#pragma once

#include "base/SString.h"
#include "native/launcher/linux/FileSystem.h"

// Stores the root as given, unchecked (the -qg:tempdir option).
void setTempRoot(const SString &path);
// The root, "/tmp" when none was set. Raises LauncherException with message 39 naming the
// root when it does not exist or is not a directory.
SString getTempRoot();

// New names have the form DIR/qgjXXXXXX (six of a-z, A-Z, 0-9), where DIR is TMPDIR when
// that names an existing directory, else the root, with trailing slashes dropped. Creation
// never reuses an existing name.

// Creates a new empty directory (mode 0700) and registers it for removal. Raises
// LauncherException with the system's error text when it cannot be created, or the root's
// message 39.
SString createTempDirectory();
// Creates a new empty file (mode 0600) and registers it for removal; the file comes back
// open for writing, so that nobody can put another file in its place before it is written.
// Raises LauncherException "Error creating tmp file " followed by the path tried.
CreatedFile createTempFile();

// Takes the first equal path off its list, so that it outlives the run; unknown paths are
// ignored.
void unregisterTempFile(const SString &path);
void unregisterTempDirectory(const SString &path);

// When not empty, removeTempFiles ends by deleting this launcher file and its directory
// (a launcher running as a copy of itself). Empty turns it off.
void setSelfDeletingLauncher(const SString &launcherPath);

// Removes every registered file, then every registered directory with its whole tree, in
// order of creation; then the self-deleting launcher. Never raises; the lists stay as
// they are.
void removeTempFiles();

// Forgets the root, both lists and the self-deleting launcher, as at process start.
void resetTempFilesForTesting();
