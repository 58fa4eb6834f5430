// IntegrityRecord: its encoding, and XXH3 digests of memory and of file ranges.
#include "payload/IntegrityRecord.h"

#include "payload/DigestKernel.h"
#include "payload/LauncherFileFormat.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace {
constexpr std::string_view kMagic = "QGIR";
constexpr unsigned char kVersion = 1;
constexpr std::size_t kHeaderSize = kMagic.size() + 1 + 16 + 4;

Digest canonical(XXH128_hash_t hash) {
  XXH128_canonical_t bytes;
  XXH128_canonicalFromHash(&bytes, hash);
  Digest digest;
  for (std::size_t i = 0; i < digest.size(); ++i)
    digest[i] = bytes.digest[i];
  return digest;
}

void append(std::string &out, const Digest &digest) {
  out.append(reinterpret_cast<const char *>(digest.data()), digest.size());
}

Digest read(std::string_view bytes) {
  Digest digest;
  for (std::size_t i = 0; i < digest.size(); ++i)
    digest[i] = static_cast<unsigned char>(bytes[i]);
  return digest;
}

} // namespace

std::string IntegrityRecord::encode() const {
  std::string out(kMagic);
  out.push_back(static_cast<char>(kVersion));
  append(out, indexDigest);
  launcherformat::appendU32(out, static_cast<std::uint32_t>(entryDigests.size()));
  for (const Digest &digest : entryDigests)
    append(out, digest);
  return out;
}

std::optional<IntegrityRecord> IntegrityRecord::decode(std::string_view bytes) {
  if (bytes.size() < kHeaderSize || bytes.substr(0, kMagic.size()) != kMagic ||
      static_cast<unsigned char>(bytes[kMagic.size()]) != kVersion)
    return std::nullopt;
  IntegrityRecord record;
  record.indexDigest = read(bytes.substr(kMagic.size() + 1));
  const std::uint32_t count = launcherformat::decodeBigEndian(bytes.substr(kHeaderSize - 4, 4));
  if (bytes.size() - kHeaderSize != std::uint64_t{count} * 16)
    return std::nullopt;
  for (std::uint32_t i = 0; i < count; ++i)
    record.entryDigests.push_back(read(bytes.substr(kHeaderSize + std::size_t{i} * 16)));
  return record;
}

Digest digestOf(std::string_view bytes) {
  return canonical(XXH3_128bits(bytes.data(), bytes.size()));
}

std::optional<Digest> digestOf(int fd, std::uint64_t offset, std::uint64_t length) {
  Digest digest;
#if defined(QG_DIGEST_AVX2)
  static const bool hasAvx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  if (hasAvx2)
    return digestRangeAvx2(fd, offset, length, digest.data()) ? std::optional(digest)
                                                              : std::nullopt;
#endif
  return digestRangeGeneric(fd, offset, length, digest.data()) ? std::optional(digest)
                                                               : std::nullopt;
}
