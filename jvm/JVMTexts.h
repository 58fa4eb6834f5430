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

// The verification class.
inline constexpr const char *kMagicLine = "1739021872";
inline constexpr const char *kVerifyClassName = "\"Verify\"";

// Verification.
inline constexpr const char *kVerifyingAt = "Verifying JVM at ";
inline constexpr const char *kForJVM = "\n   for JVM: ";
inline constexpr const char *kDoesNotExist = " does not exist";
inline constexpr const char *kFoundMatching = "Found matching JVM at ";
inline constexpr const char *kInvalidProperty = "Invalid JVM_PROPERTIES setting (";
inline constexpr const char *kInvalidPropertyIn = ") in JVM File ";
inline constexpr const char *kInvalidMagic = "Invalid magic value: ";
inline constexpr const char *kUnableToVerify = "Unable to verify ";
inline constexpr const char *kNoProperties = " because the JVM_PROPERTIES tag was not specified.";
inline constexpr const char *kUnsafeCandidate =
    "Skipping JVM candidate with unsafe characters in its path: ";
inline constexpr const char *kUntrustedCandidate =
    "Skipping JVM candidate not owned by a trusted user: ";
inline constexpr const char *kTimedOut = "The verification of the JVM at ";
inline constexpr const char *kTimedOutAfter = " did not end within ";
inline constexpr const char *kTimedOutEnd = " seconds; it was stopped.";

// The search by hints.
inline constexpr const char *kCheckingUserHome = "Checking user specified Java home directory => ";
inline constexpr const char *kInitiatingHints = "Initiating JVM search based on hints...";
inline constexpr const char *kSearchingFor = "Searching for ";
inline constexpr const char *kUsingPlatformHints = " using platform hints";
inline constexpr const char *kUsingPathHints = " using path hints";
inline constexpr const char *kUsingPlatformPath = " using platform specific JVM Path hints";
inline constexpr const char *kCheckingJVMAt = "Checking JVM at ";
inline constexpr const char *kFromPlatformHint = " which was resolved from platform hint ";
inline constexpr const char *kCheckingPathHint = "Checking path hint ";
inline constexpr const char *kFromPlatformPath = " which was resolved from the platform JVM path ";

// The exhaustive search.
inline constexpr const char *kBeginningExhaustive = "Beginning exhaustive search";
inline constexpr const char *kProcessingUnverified = "Processing unverified matches.\n";

// The log block of a search without a match: the sources and the reasons of the refusals.
inline constexpr const char *kReportHeading = "No JVM matched. Examined:";
inline constexpr const char *kReportNothing = "  no candidate at all";
inline constexpr const char *kReportFor = ", for ";
inline constexpr const char *kSourceUserHome = "the user's Java home of -qg:javahome";
inline constexpr const char *kSourcePlatformHint = "platform hint ";
inline constexpr const char *kSourcePathHint = "path hint ";
inline constexpr const char *kSourcePath = "PATH";
inline constexpr const char *kSourceDiskSearch = "the disk search";
inline constexpr const char *kRefusedNoExecutable = "no executable ";
inline constexpr const char *kRefusedUnsafe = "unsafe characters in its path";
inline constexpr const char *kRefusedUntrusted = "not owned by a trusted user";
inline constexpr const char *kRefusedNoMagic =
    "the verification did not print the magic line; its first line was: ";
inline constexpr const char *kRefusedNoOutput = "the verification printed nothing";
inline constexpr const char *kRefusedIs = " is ";
inline constexpr const char *kRefusedWanted = ", wanted ";
inline constexpr const char *kRefusedTimedOut = "the verification did not end within ";
inline constexpr const char *kRefusedSeconds = " seconds";
} // namespace jvmtext
