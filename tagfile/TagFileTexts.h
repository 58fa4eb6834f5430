// Fixed English texts and tag names of the tag-file reader and writer.
#pragma once

namespace tagfiletext {
inline constexpr const char *kSyntaxErrorIn = "Syntax error in ";
inline constexpr const char *kAtLine = " at line ";
inline constexpr const char *kReasonSeparator = " ==> ";
inline constexpr const char *kMissingColon = "Missing colon at the end of the tag name.";
inline constexpr const char *kMissingCompleter = "Missing /: tag completer.";
inline constexpr const char *kUnableToRead = "Unable to read tag file.";
inline constexpr const char *kUnableToLoad = "Unable to load input file: ";

// The line that ends a list of values.
inline constexpr const char *kListTerminator = "/:";

inline constexpr const char *kJvmHomeTag = "JVM_HOME";
inline constexpr const char *kJvmFileTag = "JVM_FILE";
inline constexpr const char *kJvmTempTag = "JVM_TEMP";
} // namespace tagfiletext
