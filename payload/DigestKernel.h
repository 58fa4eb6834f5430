// The loop that hashes a range of a file with XXH3 (128 bits), built once for every CPU of
// the architecture and, on x86-64, once more for CPUs with AVX2, which hash twice as fast.
// digestOf picks one at run time; both give the same digest.
#pragma once

#include <cstdint>

// Writes the canonical digest of length bytes of fd from offset into digest; false when
// they cannot be read whole.
bool digestRangeGeneric(int fd, std::uint64_t offset, std::uint64_t length,
                        unsigned char digest[16]);
bool digestRangeAvx2(int fd, std::uint64_t offset, std::uint64_t length, unsigned char digest[16]);
