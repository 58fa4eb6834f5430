// Fixed English texts of the platform layer.
#pragma once

namespace platformtext {
inline constexpr const char *kCouldNotDelete = "Could not delete ";
// Between the path and the system's error text of a failed deletion (two blanks).
inline constexpr const char *kCouldNotDeleteSeparator = " :  ";
inline constexpr const char *kCurrentDirectoryUnreadable = "Unable to read the current directory: ";
inline constexpr const char *kErrorDisplayingMessage = "Error displaying message: id(";
inline constexpr const char *kErrorDisplayingMessageEnd = ")";
} // namespace platformtext
