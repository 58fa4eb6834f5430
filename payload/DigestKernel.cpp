// Compiled twice, with QG_DIGEST_RANGE naming the function: once as it is, once with
// -mavx2. No header here may define an inline function with external linkage: compiled
// with AVX2, its copy could be the one the linker keeps for every caller, also on CPUs
// without it. (xxHash's functions are all static here.)
#include "payload/DigestKernel.h"

#include <errno.h>
#include <stdint.h>
#include <unistd.h>

#define XXH_INLINE_ALL
#include <xxhash.h>

bool QG_DIGEST_RANGE(int fd, uint64_t offset, uint64_t length, unsigned char digest[16]) {
  // Blocks small enough to stay in the cache between the read and the hash. The file is
  // read, not mapped: a file cut short meanwhile then ends the read instead of the process.
  unsigned char block[1 << 17];
  XXH3_state_t state;
  XXH3_INITSTATE(&state);
  XXH3_128bits_reset(&state);
  for (uint64_t done = 0; done < length;) {
    const uint64_t left = length - done;
    const size_t wanted = left < sizeof block ? static_cast<size_t>(left) : sizeof block;
    const ssize_t got = ::pread(fd, block, wanted, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR)
      continue;
    if (got <= 0)
      return false;
    XXH3_128bits_update(&state, block, static_cast<size_t>(got));
    done += static_cast<uint64_t>(got);
  }
  XXH128_canonical_t canonical;
  XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(&state));
  for (int i = 0; i < 16; ++i)
    digest[i] = canonical.digest[i];
  return true;
}
