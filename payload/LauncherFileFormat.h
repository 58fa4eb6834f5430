// The layout of a launcher file, shared by its reader and its writer: an executable image,
// the embedded files, the file index, the launcher type byte and an 8-byte trailer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Types of embedded files as stored in the index; any other value is invalid.
enum FileType : int {
  FILE_INSTRUCTIONS = 0,
  FILE_JVM = 1,
  FILE_LAUNCH_SCRIPT = 2,
  FILE_CLASSPATH_ARCHIVE = 3,
  FILE_JVM_INSTALLER = 4,
  FILE_VERIFY_ARCHIVE = 5,
  FILE_APPLICATION_ARCHIVE = 6,
  FILE_LAUNCHER = 7,
};

namespace launcherformat {
// Last four bytes of every launcher file that carries an index.
inline constexpr std::uint32_t kIdentification = 0xCA82CA82u;
// Index offset (4 bytes) and identification value (4 bytes) at the very end.
inline constexpr long kTrailerSize = 8;
// The launcher type byte sits directly in front of the trailer, 9 bytes from the end.
inline constexpr long kTypeByteFromEnd = 9;
inline constexpr int kLastFileType = FILE_LAUNCHER;
inline constexpr std::uint32_t kMaxNameLength = 32767;
// The compressed byte that marks a compressed entry; any other value means plain.
inline constexpr unsigned char kCompressedMark = 1;
// An index entry without its name: type 1, id 4, length 4, offset 4, name length 2,
// compressed 1; a compressed entry adds two 4-byte numbers.
inline constexpr std::uint32_t kEntryFixedSize = 16;
inline constexpr std::uint32_t kCompressedExtraSize = 8;

// Big-endian (most significant byte first) encoders.
inline void appendU16(std::string &out, std::uint16_t value) {
  out.push_back(static_cast<char>(value >> 8));
  out.push_back(static_cast<char>(value & 0xFFu));
}
inline void appendU32(std::string &out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<char>((value >> shift) & 0xFFu));
}
// Decodes a big-endian number of up to 4 bytes: all of bytes.
inline std::uint32_t decodeBigEndian(std::string_view bytes) {
  std::uint32_t value = 0;
  for (const char byte : bytes)
    value = (value << 8) | static_cast<unsigned char>(byte);
  return value;
}

// True for a name that an embedded file may have: it becomes a file name inside the
// directory it is extracted to and a line of "input.tag", so it must not be empty, "." or
// "..", nor hold "/", a NUL byte or a line feed, and it fits the 2-byte name length.
inline bool isValidEntryName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\0\n", 3)) == std::string_view::npos &&
         name.size() <= kMaxNameLength;
}

// The fields of one index entry as they are stored.
struct IndexRecord {
  int type = 0;
  std::uint32_t id = 0;
  std::uint32_t length = 0;
  std::uint32_t offset = 0;
  std::string name;
  bool compressed = false;
  std::uint32_t decompressedFileCount = 0;
  std::uint32_t decompressedSize = 0;
};

// Appends one index entry exactly as stored; nothing is checked, so tests can encode
// entries that a reader must refuse. The type keeps its low 8 bits and the name length
// its low 16 bits.
inline void appendIndexRecord(std::string &out, const IndexRecord &record) {
  out.push_back(static_cast<char>(record.type & 0xFF));
  appendU32(out, record.id);
  appendU32(out, record.length);
  appendU32(out, record.offset);
  appendU16(out, static_cast<std::uint16_t>(record.name.size() & 0xFFFFu));
  out += record.name;
  out.push_back(static_cast<char>(record.compressed ? kCompressedMark : 0));
  if (record.compressed) {
    appendU32(out, record.decompressedFileCount);
    appendU32(out, record.decompressedSize);
  }
}

// Appends the launcher type byte and the trailer that points at indexOffset.
inline void appendTrailer(std::string &out, std::uint8_t launcherType, std::uint32_t indexOffset) {
  out.push_back(static_cast<char>(launcherType));
  appendU32(out, indexOffset);
  appendU32(out, kIdentification);
}

// The short name of a file type as the packager spells it ("instructions", "jvm", ...);
// null for a value outside 0..7.
inline const char *fileTypeName(int type) {
  static constexpr const char *names[] = {"instructions",      "jvm",           "launch-script",
                                          "classpath-archive", "jvm-installer", "verify-archive",
                                          "app-archive",       "launcher"};
  return type >= 0 && type <= kLastFileType ? names[type] : nullptr;
}
} // namespace launcherformat
