// The number rule of instruction scripts: "%ld" reading limited to the width of the result.
#pragma once

#include "base/SString.h"

#include <cstdint>
#include <limits>

namespace scriptnumbers {
// Reads text as "%ld" and accepts the number only when it lies in [min, max]. Out-of-range
// input fails instead of being clamped or wrapped, so a script never runs on a number it did
// not write. out is unchanged on failure.
template <typename Int> bool readInRange(const SString &text, Int &out) {
  long value = 0;
  if (!text.toLong(value))
    return false;
  if (value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max())
    return false;
  out = static_cast<Int>(value);
  return true;
}
} // namespace scriptnumbers
