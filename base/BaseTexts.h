// Fixed English texts of the foundation.
#pragma once

namespace fixedtext {
inline constexpr const char *kExpectedDoubleQuote = "Expected double quote to end argument near ";
} // namespace fixedtext
