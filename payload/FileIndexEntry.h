// FileIndexEntry: one entry of a launcher file's index, with the tag file parsed from it.
#pragma once

#include "base/Deque.h"
#include "base/SString.h"
#include "payload/LauncherFileFormat.h"
#include "tagfile/TagFile.h"

#include <cstdint>
#include <cstdio>
#include <memory>

// Reads a big-endian number of byteCount bytes, one byte at a time. Raises
// LauncherException(failure) when the stream ends first.
std::uint32_t readBigEndian(std::FILE *stream, int byteCount, const char *failure);

class FileIndexEntry {
public:
  FileIndexEntry() = default;
  FileIndexEntry(const FileIndexEntry &) = delete;
  FileIndexEntry &operator=(const FileIndexEntry &) = delete;
  virtual ~FileIndexEntry() = default;

  // Fills the entry from a stream positioned at an index entry. Raises LauncherException
  // with the text of the field that could not be read; a type above 7 is refused. A name
  // ends early after a line feed or at the end of the stream; the end of the stream in
  // place of the compressed byte means not compressed.
  void read(std::FILE *stream);

  int getType() const { return type_; }
  // The place of the entry in the index, from 0.
  int getPosition() const { return position_; }
  void setPosition(int position) { position_ = position; }
  std::uint32_t getId() const { return id_; }
  std::uint32_t getLength() const { return length_; }
  std::uint32_t getOffset() const { return offset_; }
  const SString &getName() const { return name_; }
  bool isCompressed() const { return compressed_; }
  std::uint32_t getDecompressedFileCount() const { return decompressedFileCount_; }
  std::uint32_t getDecompressedSize() const { return decompressedSize_; }
  // The parsed content of a tag-file entry; null until parseTagFile succeeded.
  TagFile *getTagFile() const { return tagFile_.get(); }

  // True for the instruction script, JVM files and the launch script.
  bool isTagFile() const;
  // For a tag-file entry only: reads its bytes from the open launcher file into a new
  // TagFile named like the entry. Reader errors pass on unchanged and leave no tag file.
  void parseTagFile(std::FILE *stream);

private:
  int type_ = 0;
  int position_ = 0;
  std::unique_ptr<TagFile> tagFile_;
  std::uint32_t id_ = 0xFFFFFFFFu;
  std::uint32_t length_ = 0;
  std::uint32_t offset_ = 0;
  SString name_;
  bool compressed_ = false;
  std::uint32_t decompressedFileCount_ = 0;
  std::uint32_t decompressedSize_ = 0;
};

using FileIndexEntryPtrDeque = PtrDeque<FileIndexEntry>;
