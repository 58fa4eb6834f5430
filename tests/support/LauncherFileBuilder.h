// Builds launcher files for tests with the launcher file writer, and malformed ones from
// raw index bytes.
#pragma once

#include "payload/LauncherFileFormat.h"
#include "payload/LauncherFileWriter.h"

#include <cstdint>
#include <string>

class LauncherFileBuilder {
public:
  LauncherFileBuilder();
  // The executable image; a few bytes of filler unless set.
  LauncherFileBuilder &stub(std::string bytes);
  LauncherFileBuilder &stubFile(const std::string &path);
  LauncherFileBuilder &launcherType(std::uint8_t type);
  // Adds an entry whose id is its position among the entries.
  LauncherFileBuilder &add(FileType type, const std::string &name, const std::string &content);
  LauncherFileBuilder &add(FileType type, std::uint32_t id, const std::string &name,
                           const std::string &content);
  // Adds an entry whose bytes are copied from a file when the launcher file is written.
  LauncherFileBuilder &addFromFile(FileType type, const std::string &name,
                                   const std::string &sourcePath);
  // Marks the last entry as a compressed archive.
  LauncherFileBuilder &compressed(std::uint32_t fileCount, std::uint32_t size);

  // Writes the launcher file to path with mode 0755 and returns path. Throws
  // LauncherException when the writer refuses.
  std::string write(const std::string &path) const;

private:
  LauncherFileWriter writer_;
  int count_ = 0;
};

// stub, then index, then the launcher type byte and a trailer pointing at index: a launcher
// file whose index is exactly the given bytes.
std::string rawLauncherFile(const std::string &stub, const std::string &index,
                            std::uint8_t launcherType = 1);
// The 4-byte count followed by the records, as they would be stored.
std::string rawIndex(std::uint32_t count, const std::string &records = std::string());
std::string rawRecord(const launcherformat::IndexRecord &record);
