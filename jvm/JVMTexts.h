// Fixed English texts and key names of the JVM files, their verification and the searches.
#pragma once

namespace jvmtext {
// Keys of a JVM file.
inline constexpr const char *kDescKey = "DESC";
inline constexpr const char *kJvmHomeKey = "JVM_HOME";
inline constexpr const char *kJvmExeKey = "JVM_EXE";
inline constexpr const char *kJvmPropertiesKey = "JVM_PROPERTIES";
inline constexpr const char *kPathHintKey = "PATH_HINT";
inline constexpr const char *kPlatformHintKey = "PLATFORM_HINT";
inline constexpr const char *kSearchAllKey = "SEARCH_ALL";
} // namespace jvmtext
