// Fixed English texts of the platform layer.
#pragma once

namespace platformtext {
inline constexpr const char *kCouldNotDelete = "Could not delete ";
// Between the path and the system's error text of a failed deletion (two blanks).
inline constexpr const char *kCouldNotDeleteSeparator = " :  ";
inline constexpr const char *kCurrentDirectoryUnreadable = "Unable to read the current directory: ";
inline constexpr const char *kErrorDisplayingMessage = "Error displaying message: id(";
inline constexpr const char *kErrorDisplayingMessageEnd = ")";

// Child processes; each is followed by the system's error text.
inline constexpr const char *kWorkingDirectoryFailed = "Error setting working directory: ";
inline constexpr const char *kPipeFailed = "Couldn't create either stdout or stderr pipe: ";
inline constexpr const char *kForkFailed = "Error forking new process: ";
inline constexpr const char *kRedirectFailed = "Error capturing stdout or stderr in new process: ";
inline constexpr const char *kWaitFailed = "Error waiting for child process: ";

// The whole-disk search.
inline constexpr const char *kSkippingKernelFileSystem = "Not searching ";
inline constexpr const char *kSkippingKernelFileSystemEnd =
    ": a kernel file system holds no Java VM.";
} // namespace platformtext
