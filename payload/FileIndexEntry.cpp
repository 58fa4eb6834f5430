// Reading an index entry field by field, and parsing a tag-file entry in place.
#include "payload/FileIndexEntry.h"

#include "base/LauncherException.h"
#include "payload/PayloadTexts.h"

std::uint32_t readBigEndian(std::FILE *stream, int byteCount, const char *failure) {
  char bytes[4];
  const auto count = static_cast<std::size_t>(byteCount);
  if (count > sizeof bytes || std::fread(bytes, 1, count, stream) != count)
    throw LauncherException(failure);
  return launcherformat::decodeBigEndian(std::string_view(bytes, count));
}

void FileIndexEntry::read(std::FILE *stream) {
  const int type = std::fgetc(stream);
  if (type == EOF || type > launcherformat::kLastFileType)
    throw LauncherException(payloadtext::kInvalidFileType);
  type_ = type;
  id_ = readBigEndian(stream, 4, payloadtext::kNoFileId);
  length_ = readBigEndian(stream, 4, payloadtext::kNoFileLength);
  offset_ = readBigEndian(stream, 4, payloadtext::kNoFileOffset);
  const std::uint32_t nameLength = readBigEndian(stream, 2, payloadtext::kNoNameLength);

  // A name stops early after a line feed or at the end of the stream, without error.
  name_ = SString();
  for (std::uint32_t i = 0; i < nameLength; ++i) {
    const int c = std::fgetc(stream);
    if (c == EOF)
      break;
    name_ += static_cast<char>(c);
    if (c == '\n')
      break;
  }

  compressed_ = std::fgetc(stream) == launcherformat::kCompressedMark;
  if (!compressed_)
    return;
  decompressedFileCount_ = readBigEndian(stream, 4, payloadtext::kNoDecompressedCount);
  decompressedSize_ = readBigEndian(stream, 4, payloadtext::kNoDecompressedSize);
}

bool FileIndexEntry::isTagFile() const {
  return type_ == FILE_INSTRUCTIONS || type_ == FILE_JVM || type_ == FILE_LAUNCH_SCRIPT;
}

void FileIndexEntry::parseTagFile(std::FILE *stream) {
  if (!isTagFile())
    return;
  auto tagFile = std::make_unique<TagFile>();
  tagFile->read(stream, name_, static_cast<long>(offset_), static_cast<long>(length_));
  tagFile_ = std::move(tagFile);
}
