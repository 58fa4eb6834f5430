// IntegrityRecord: its encoding, and XXH3 digests of memory and of file ranges.
#include "payload/IntegrityRecord.h"

#include "base/Handles.h"
#include "payload/LauncherFileFormat.h"

#include <algorithm>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Large files are read in place; what cannot be mapped is read in blocks.
constexpr std::uint64_t kReadBlock = std::uint64_t{1} << 20;
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
  if (length == 0)
    return digestOf(std::string_view());
  const auto page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
  const std::uint64_t start = offset - offset % page;
  const std::uint64_t mapped = length + (offset - start);
  void *memory = ::mmap(nullptr, mapped, PROT_READ, MAP_PRIVATE, fd, static_cast<off_t>(start));
  if (memory != MAP_FAILED) {
    // A file shorter than the range would fault when the hash reaches past its end.
    struct stat status {};
    const bool whole =
        ::fstat(fd, &status) == 0 && offset + length <= static_cast<std::uint64_t>(status.st_size);
    std::optional<Digest> digest;
    if (whole) {
      ::madvise(memory, mapped, MADV_SEQUENTIAL);
      digest =
          canonical(XXH3_128bits(static_cast<const char *>(memory) + (offset - start), length));
    }
    ::munmap(memory, mapped);
    return digest;
  }
  XXH3_state_t *state = XXH3_createState();
  if (!state)
    return std::nullopt;
  XXH3_128bits_reset(state);
  std::string block(kReadBlock, '\0');
  bool whole = true;
  for (std::uint64_t done = 0; done < length && whole;) {
    const std::size_t n = static_cast<std::size_t>(std::min(kReadBlock, length - done));
    const ssize_t got = retryOnEintr(
        [&] { return ::pread(fd, block.data(), n, static_cast<off_t>(offset + done)); });
    whole = got > 0;
    if (whole) {
      XXH3_128bits_update(state, block.data(), static_cast<std::size_t>(got));
      done += static_cast<std::uint64_t>(got);
    }
  }
  const XXH128_hash_t hash = XXH3_128bits_digest(state);
  XXH3_freeState(state);
  if (!whole)
    return std::nullopt;
  return canonical(hash);
}
