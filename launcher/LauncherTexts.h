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
inline constexpr const char *kUnexpectedFailure = "Unexpected failure: ";
inline constexpr const char *kEndedBySignal = "The launcher was ended by signal ";
inline constexpr const char *kNothingToLaunch =
    "Unable to launch the internal launch script with the internal JVM file. Either the launch "
    "script or the JVM file is missing from the launcher.";

// The work commands.
inline constexpr const char *kFindingJVM = "Finding a JVM";
inline constexpr const char *kMatchingHome = "Matching JVM home is ";
inline constexpr const char *kMatchingFile = "Matching JVM file is ";
inline constexpr const char *kVerifyNoEntry = "Cannot verify jvm file at index ";
inline constexpr const char *kVerifyNoEntryEnd = " because it does not exist.";
inline constexpr const char *kVerifyUnreadable = "The jvm file with file id ";
inline constexpr const char *kVerifyUnreadableEnd = " could not be read.";
inline constexpr const char *kVerifyWrongType =
    "To verify a JVM, use an index of a jvm file. The index passed in was ";
inline constexpr const char *kVerifyWrongTypeName = " which corresponds to the file named ";
inline constexpr const char *kJVMInvalid = "In VERIFY, the jvm is invalid.";
inline constexpr const char *kJVMValid = "After VERIFY, the jvm home is ";
inline constexpr const char *kMissingJvmFile = "Invalid bundled JVM. Missing 'jvm' file.";
inline constexpr const char *kJvmFileName = "jvm";
inline constexpr const char *kCannotMakeDestination = "Cannot create the JVM destination ";
inline constexpr const char *kNoPrograms = "Programs cannot run from ";
inline constexpr const char *kNoProgramsTemp =
    ": its file system is mounted noexec. Please run the program again using the option "
    "-qg:tempdir <temp dir> to name a directory where they can.";
inline constexpr const char *kNoProgramsDestination =
    ": its file system is mounted noexec. Please choose another destination for the Java(tm) "
    "Virtual Machine.";
inline constexpr const char *kNoEmbeddedLauncher = "Unable to execute the embedded launcher.";
inline constexpr const char *kOriginalOption = "-qg:orig";

// The input-file actions.
inline constexpr const char *kLoadingInputFile = "Loading input file ";
inline constexpr const char *kVerifyJvmKeysMissing =
    "TO execute the VERIFY_JVM action, you must also provide values in the input file for "
    "VERIFY_JVM_FILE and VERIFY_JVM_HOME.";
inline constexpr const char *kUnexpectedSearchFailure = "Unexpected failure in search.";
inline constexpr const char *kFindingAllJVMs = "Finding all matching JVMs";
} // namespace launchertext
