// IntegrityRecord: digests of a launcher file's index and of each embedded file, kept in the
// gap between the end of the index and the launcher type byte, where readers that do not
// know it never look. Layout, all numbers big-endian:
//
//   "QGIR"          4 bytes, the magic
//   version         1 byte, 1
//   index digest    16 bytes, XXH3 128-bit of the file index (count and entries)
//   count           4 bytes, the number of entry digests, equal to the index's count
//   entry digests   16 bytes each, XXH3 128-bit of each entry's bytes, in index order
//
// A digest is written in XXH3's canonical form (the high 64 bits first). The record fills
// the gap exactly; anything else there is no record.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using Digest = std::array<unsigned char, 16>;

struct IntegrityRecord {
  Digest indexDigest{};
  std::vector<Digest> entryDigests;

  // The record as it is stored.
  std::string encode() const;
  // The record that bytes hold, or nothing when they are not exactly one.
  static std::optional<IntegrityRecord> decode(std::string_view bytes);
};

Digest digestOf(std::string_view bytes);
// The digest of length bytes of fd from offset; nothing when they cannot be read whole.
std::optional<Digest> digestOf(int fd, std::uint64_t offset, std::uint64_t length);
