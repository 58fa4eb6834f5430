// LauncherFile: the file index of the running launcher and everything loaded from its
// payload or from files that an input file names.
#pragma once

#include "base/Deque.h"
#include "base/SString.h"
#include "instructions/Instructions.h"
#include "jvm/JVMFiles.h"
#include "launchscript/LaunchScript.h"
#include "payload/FileIndexEntry.h"
#include "payload/IntegrityRecord.h"
#include "tagfile/TagFile.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>

class LauncherFile {
public:
  LauncherFile() = default;
  LauncherFile(const LauncherFile &) = delete;
  LauncherFile &operator=(const LauncherFile &) = delete;
  virtual ~LauncherFile() = default;

  // The launcher file that readIndex and extractEntry read.
  void setLauncherPath(const SString &path) { launcherPath_ = path; }
  const SString &getLauncherPath() const { return launcherPath_; }

  // Reads the trailer and the file index once, logging one entry per embedded file; with
  // parseTagEntries it then parses the embedded tag files and gives them their roles
  // (applyEmbeddedFiles). A file without the identification value has an empty index.
  // Raises LauncherException with the reader's text (the index stays unread); any other
  // failure ends the reading quietly with what was read so far.
  void readIndex(bool parseTagEntries);
  bool isIndexRead() const { return indexRead_; }
  // True when the file ends with the identification value, so that it carries an index.
  bool hasIndex() const { return hasIndex_; }
  // True when an integrity record follows the index. Then a reading with parseTagEntries
  // checks the index and each tag file against their digests before it uses them, and raises
  // the damaged-file text naming what does not match.
  bool hasIntegrityRecord() const { return integrity_.has_value(); }
  // Whether the index, and the entry at a position, still match their digests; true without
  // a record.
  bool isIndexIntact() const;
  bool isEntryIntact(const FileIndexEntry &entry) const;

  // The result of checking every digest: a line for what does not match, or one that says
  // all is intact; status 0 when intact, 1 when something is damaged, 2 when the file has no
  // index or no integrity record. Reads the index first (without parsing tag files) when it
  // has not been read; a reading error counts as a damaged index.
  struct IntegrityReport {
    int status = 0;
    StringDeque lines;
  };
  IntegrityReport checkIntegrity();

  int getEntryCount() const { return entries_.count(); }
  // The entry at position, or null outside 0..count-1.
  FileIndexEntry *getEntry(int position) const { return entries_.get(position); }
  // The first entry in index order with this id, or null.
  FileIndexEntry *findEntryById(std::uint32_t id) const;
  const FileIndexEntryPtrDeque &getEntries() const { return entries_; }

  // Null until a script or launch script has been given its role.
  Instructions *getInstructions() const { return instructions_.get(); }
  LaunchScript *getLaunchScript() const { return launchScript_.get(); }
  JVMFiles &getJVMFiles() { return jvmFiles_; }
  const JVMFiles &getJVMFiles() const { return jvmFiles_; }
  // True once the run's JVM files are settled; the payload adds none after that.
  bool areJVMFilesGiven() const { return jvmFilesGiven_; }

  // Parses every embedded tag file from the open launcher file and fills the roles that
  // are still open: instructions, JVM files, launch script (whose DESC becomes the title).
  // Parse errors pass on unchanged; a failing role raises "Error loading ..." in front of
  // the cause.
  void applyEmbeddedFiles(std::FILE *stream);
  // Takes the roles that an input file names: INSTRUCTIONS, LAUNCHSCRIPT,
  // VERIFY_CLASSPATH with VERIFY_CLASS_NAME, UI_TITLE and JVM (a list of paths).
  void applyInputFile(const TagFile &inputFile);
  // Reads a tag file from disk; the LauncherFile owns it. A failure keeps nothing.
  TagFile *loadTagFile(const SString &path);

  // Copies the entry's bytes to a file named like the entry in directory (empty: the
  // current directory) and returns its path; installers and launchers are made
  // executable. The file is written under a new name and renamed over the entry's name when
  // complete: whatever had the name before (a file, a link, a FIFO) is replaced, never
  // opened or followed, and a failure leaves nothing behind. Raises LauncherException
  // "Invalid embedded file name: NAME" for a name that isValidEntryName refuses; the
  // damaged-file text when the entry's bytes lie beyond the end of the launcher file;
  // "Cannot write PATH: a directory of that name is in the way."; the writing error text
  // (error texts 15 and 16) when there is no room or the file cannot be written.
  SString extractEntry(const FileIndexEntry &entry, const SString &directory) const;
  // Writes every embedded file and "input.tag", which names them for a run from disk,
  // into the current directory.
  void extractAll() const;
  // extractEntry for a file that will run or be trusted: the extracted file must match the
  // entry's digest (when there is a record), else it is removed and the damaged-file text
  // naming the entry is raised.
  SString extractCheckedEntry(const FileIndexEntry &entry, const SString &directory) const;

private:
  void readEntries(std::FILE *stream);
  // Reads the integrity record that fills the gap after the index, when there is one.
  void readIntegrityRecord(std::FILE *stream);
  void logEntries() const;

  SString launcherPath_;
  // Destroyed bottom-up: the objects that read tag files go before the tag files.
  FileIndexEntryPtrDeque entries_;
  TagFilePtrDeque tagFiles_;
  JVMFiles jvmFiles_;
  std::unique_ptr<LaunchScript> launchScript_;
  std::unique_ptr<Instructions> instructions_;
  bool jvmFilesGiven_ = false;
  bool indexRead_ = false;
  bool hasIndex_ = false;
  std::uint64_t fileSize_ = 0;
  std::uint64_t indexOffset_ = 0;
  std::uint64_t indexEnd_ = 0;
  std::optional<IntegrityRecord> integrity_;
};

// The launcher type byte of the file at path (9 bytes before its end), 0..255; -1 when the
// file cannot be opened or is shorter than 9 bytes.
int readLauncherType(const SString &path);
