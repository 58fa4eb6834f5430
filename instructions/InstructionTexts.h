// Fixed English texts of the instruction interpreter.
#pragma once

namespace instructiontext {
inline constexpr const char *kInstructionsKey = "INSTRUCTIONS";

// Variable references and assignments.
inline constexpr const char *kReferenceTooShort =
    "Variable references must be at least 2 characters (e.g. N1 and S10).";
inline constexpr const char *kInvalidReferencePrefix = "Invalid variable reference (";
inline constexpr const char *kInvalidReferenceSuffix =
    "). Must use N or S as the variable type, e.g. N2 or S1.";
inline constexpr const char *kInvalidVariableNumber = "Variable number is invalid (";
inline constexpr const char *kInvalidNumericAssignment = "Invalid numeric expression in ";

// Expansion and evaluation.
inline constexpr const char *kEmptyExpression = "Empty expression.";
inline constexpr const char *kUnclosedReference = "Invalid variable specification.";
inline constexpr const char *kExpansionDoesNotTerminate = "Variable expansion does not terminate.";
inline constexpr const char *kInvalidNumber = "Invalid numeric expression (";
inline constexpr const char *kInvalidShort = " Invalid numeric expression (";
inline constexpr const char *kInvalidBoolean = " Invalid boolean value (";
inline constexpr const char *kExpectedEndingQuote = "Expected ending quote in ";
inline constexpr const char *kEndingQuoteSeparator = ":  ";

// Lines and labels.
inline constexpr const char *kNoCommand = "No command specified.";
inline constexpr const char *kInvalidCommandPrefix = "Invalid command (";
inline constexpr const char *kInvalidCommandSuffix = "). ";
inline constexpr const char *kInvalidLabel = "Invalid label specified.";
inline constexpr const char *kBlankLabelPrefix = "Label ";
inline constexpr const char *kBlankLabelSuffix =
    " resolved to a blank string. Labels cannot be blank.";
inline constexpr const char *kLabelNotFound = "Label not found (";

// Command arguments.
inline constexpr const char *kFindJvmFirst =
    "The first argument to FIND_JVM should be a 1 if the UI should be displayed or a 0 if the "
    "UI should be suppressed.";
inline constexpr const char *kFindJvmSecond =
    "The second argument to FIND_JVM should be a 1 if a find failure message should be displayed "
    "in a UI or 0 if no message should be displayed.";
inline constexpr const char *kGotoLabel = "The GOTO command requires a label as its only argument.";
inline constexpr const char *kIlaunchFirst =
    "The first argument to ILAUNCH should be the file index number of the jvm file.";
inline constexpr const char *kIlaunchSecond = "The second argument to ILAUNCH should be the number "
                                              "of seconds to display the UI during the launch.";
inline constexpr const char *kInstallJvmMode =
    "The first argument to INSTALL_JVM should be a 0, 1 or 2.";
inline constexpr const char *kJmp0Value = "The second argument to JMP0 must be numeric.";
inline constexpr const char *kJmp0Label = "JMP0 requires a jump label as its second argument.";
inline constexpr const char *kLaunchPath = "Invalid jvm file name specified in LAUNCH.";
inline constexpr const char *kLaunchSecond = "The second argument to LAUNCH should be the number "
                                             "of seconds to display the UI during the launch.";
inline constexpr const char *kVerifyFirst =
    "The first argument to VERIFY should be a 1 if the UI should be displayed or a 0 if the UI "
    "should be suppressed.";
inline constexpr const char *kVerifySecond =
    "The second argument to VERIFY should be a 1 if a find failure message should be displayed in "
    "a UI or 0 if no message should be displayed.";
inline constexpr const char *kVerifyThird =
    "The third argument to VERIFY should be the file index number of the jvm file.";
inline constexpr const char *kExecuteLauncherPosition =
    "The first argument to EXECUTE_LAUNCHER should be the file index position of the launcher to "
    "execute.";

// SET.
inline constexpr const char *kSetMissingEquals = "SET statement is missing =.";
inline constexpr const char *kSetLeftSide =
    "Invalid variable specified on left hand side of SET statement.";
inline constexpr const char *kSetExpression = "Invalid expression specified for SET command";
inline constexpr const char *kSetValue = "Invalid value specified for SET command";
} // namespace instructiontext
