// Fixed English texts and key names of the launch script: the macro engine, the function
// argument reader, the functions and the execution of a command.
#pragma once

namespace launchscripttext {
// Errors, each raised after this prefix.
inline constexpr const char *kErrorPrefix = "Launch script error: ";
inline constexpr const char *kLogCommand = "Launch command:";
inline constexpr const char *kDoesNotTerminate =
    "The expansion of the launch command does not terminate.";

// The argument reader; each message is followed by " (near character N)".
inline constexpr const char *kExpectedLeftParenthesis = "Expected left parenthesis.";
inline constexpr const char *kExpectedStringArgument = "Expected string arg.";
inline constexpr const char *kExpectedRightParenthesis = "Expected right parenthesis.";
inline constexpr const char *kNearCharacter = " (near character ";
inline constexpr const char *kInvalidFunctionName = "Invalid function name (";
inline constexpr const char *kInvalidFunctionNameEnd = ").";

// The functions' argument counts.
inline constexpr const char *kReplaceArity = "REPLACE function requires 3 arguments.";
inline constexpr const char *kRuntimeSystemPropArity =
    "RUNTIME_SYSTEMPROP function takes no arguments.";
inline constexpr const char *kRuntimeJavaArgsArity =
    "RUNTIME_JAVAARGS function takes no arguments.";
inline constexpr const char *kSystemPropArity = "SYSTEMPROP function requires 2 arguments.";
inline constexpr const char *kIfExistsArity = "IF_EXISTS function requires 2 arguments.";
inline constexpr const char *kLauncherFileArity = "LAUNCHER_FILE function takes 0 arguments.";
inline constexpr const char *kLauncherDirArity = "LAUNCHER_DIR function takes 0 arguments.";
inline constexpr const char *kApplicationArchiveArity =
    "APPLICATION_ARCHIVE function takes 0 arguments.";
inline constexpr const char *kTempDirArity = "TEMP_DIR function takes 0 arguments.";

// The class path.
inline constexpr const char *kSetEnvVar = "Set env var ";
inline constexpr const char *kSetEnvVarTo = " to ";
inline constexpr const char *kMissingCpEnvVar =
    "If USE_CP_ENV_VAR is set to 1 in the jvm file, then the jvm file should also define "
    "CP_ENV_VAR.";
inline constexpr const char *kMissingClasspathFile = "Could not find the file ";
inline constexpr const char *kMissingClasspathFileEnd = " while building the classpath.";

// The execution of a command.
inline constexpr const char *kExecuting = "Executing launch script command: ";
inline constexpr const char *kInWorkingDirectory = " in working directory ";
inline constexpr const char *kInCurrentDirectory = " in current working directory";
inline constexpr const char *kOutputHeader = "Output from the launch script execution";
inline constexpr const char *kStdOut = "StdOut:";
inline constexpr const char *kErrOut = "ErrOut:";

// Keys of the launch script.
inline constexpr const char *kCommandKey = "COMMAND";
inline constexpr const char *kDisplayConsoleKey = "DISPLAY_CONSOLE";
inline constexpr const char *kAutoSetWorkingDirKey = "AUTO_SET_WORKING_DIR";
inline constexpr const char *kDescKey = "DESC";
inline constexpr const char *kArchiveKey = "ARCHIVE";

// Keys of the JVM file that a launch reads.
inline constexpr const char *kJvmHomeKey = "JVM_HOME";
inline constexpr const char *kJvmFileKey = "JVM_FILE";
inline constexpr const char *kSetEnvForWizardKey = "SET_ENV_FOR_WIZARD";
inline constexpr const char *kSystemKey = "SYSTEM";
inline constexpr const char *kSystemSeparatorKey = "SYSTEM_SEPARATOR";
inline constexpr const char *kClasspathKey = "CLASSPATH";
inline constexpr const char *kClasspathSeparatorKey = "CLASSPATH_SEPARATOR";
inline constexpr const char *kJvmClasspathKey = "JVM_CLASSPATH";
inline constexpr const char *kUseCpEnvVarKey = "USE_CP_ENV_VAR";
inline constexpr const char *kCpEnvVarKey = "CP_ENV_VAR";
inline constexpr const char *kJavaHomeVariable = "JAVA_HOME";
} // namespace launchscripttext
