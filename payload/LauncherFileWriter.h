// LauncherFileWriter: builds a launcher file from an executable image and the files to
// embed, in the layout that LauncherFile reads.
#pragma once

#include "base/SString.h"
#include "payload/LauncherFileFormat.h"

#include <cstdint>
#include <string>
#include <vector>

// One file to embed: its bytes come from content, or from sourcePath when that is set.
struct EmbeddedFile {
  int type = FILE_INSTRUCTIONS;
  std::uint32_t id = 0;
  SString name;
  std::string content;
  SString sourcePath;
  bool compressed = false;
  std::uint32_t decompressedFileCount = 0;
  std::uint32_t decompressedSize = 0;
};

class LauncherFileWriter {
public:
  // The executable image at the front; from memory, or copied from a file.
  void setStub(std::string bytes);
  void setStubFile(const SString &path);
  // The byte in front of the trailer; 1 unless set.
  void setLauncherType(std::uint8_t type) { launcherType_ = type; }
  // Entries longer than alignment start at a multiple of it (zero bytes fill the gap), so
  // that extraction copies whole pages; 1, the default, packs entries back to back.
  void setAlignment(std::uint32_t alignment) { alignment_ = alignment == 0 ? 1 : alignment; }
  // With it (the default), an integrity record follows the index: a digest of the index and
  // of each entry (payload/IntegrityRecord.h).
  void setIntegrityRecord(bool on) { integrityRecord_ = on; }
  // Entries keep the order in which they are added.
  void addFile(EmbeddedFile file) { files_.push_back(std::move(file)); }
  const std::vector<EmbeddedFile> &getFiles() const { return files_; }
  // The file added last, to change its settings; null when there is none.
  EmbeddedFile *getLastFile() { return files_.empty() ? nullptr : &files_.back(); }

  // Raises LauncherException naming the first problem: a type outside 0..7, a name that
  // the launcher would refuse to extract (isValidEntryName), a source (or stub) that is not
  // a readable regular file, or a file that would pass 4 GiB (offsets are 32-bit). Nothing
  // is read beyond the sources' sizes.
  void validate() const;
  // Validates, then writes the whole launcher file to fd at its current position: the
  // stub, each file's bytes, the index, the type byte and the trailer. Raises
  // LauncherException as validate does, when writing fails, or when a source changed its
  // size in the meantime.
  void write(int fd) const;

private:
  // Where everything goes, worked out from the sizes before anything is written.
  struct Layout {
    std::uint64_t stubSize = 0;
    std::vector<std::uint64_t> offsets;
    std::vector<std::uint64_t> sizes;
    std::uint64_t indexOffset = 0;
  };
  Layout plan() const;

  std::string stub_;
  SString stubPath_;
  std::uint8_t launcherType_ = 1;
  std::uint32_t alignment_ = 1;
  bool integrityRecord_ = true;
  std::vector<EmbeddedFile> files_;
};
