// Fixed English texts of the launcher run.
#pragma once

namespace launchertext {
inline constexpr const char *kVersion = "2.51";
inline constexpr const char *kMissingOriginalName = "Missing original launcher file name.";
inline constexpr const char *kErrorInInstructions = "Error in instructions. ";
inline constexpr const char *kLineNumberOpen = " Line number (";
inline constexpr const char *kLineNumberClose = ")";
inline constexpr const char *kInvalidStringVariable = "Invalid string variable number: ";
inline constexpr const char *kInvalidNumericVariable = "Invalid numeric variable number: ";
inline constexpr const char *kNotAvailable = " is not available in this version of the launcher.";
inline constexpr const char *kUnexpectedFailure = "Unexpected failure: ";
inline constexpr const char *kNothingToLaunch =
    "Unable to launch the internal launch script with the internal JVM file. Either the launch "
    "script or the JVM file is missing from the launcher.";
} // namespace launchertext
