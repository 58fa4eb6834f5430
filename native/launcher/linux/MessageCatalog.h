// The message catalogue: 40 user texts in 27 languages, chosen by LANG on every lookup.
#pragma once

#include "base/LauncherException.h"
#include "base/SString.h"

inline constexpr int kLanguageCount = 27;
inline constexpr int kLastMessageId = 39;

// Message ids used by the launcher's own code.
enum MessageId : int {
  MSG_INITIALIZING = 1,     // "Initializing %s..."
  MSG_SEARCHING = 2,        // "Searching %s..."
  MSG_VERIFYING = 3,        // "Verifying %s"
  MSG_NO_JVM_FOUND = 4,     // "No Java(tm) Virtual Machine was found."
  MSG_NOT_LAUNCHED = 5,     // "%s could not be launched."
  MSG_RUNNING = 7,          // "Running %s..."
  MSG_PREPARING_JVM = 8,    // "Preparing Java(tm) Virtual Machine..."
  MSG_SEARCHING_JVM = 9,    // "Searching for Java(tm) Virtual Machine..."
  MSG_SEARCHING_FOR = 10,   // "Searching for %s"
  MSG_SCANNING_DISKS = 16,  // "Scanning disk(s) for a Java(tm) Virtual Machine..."
  MSG_JVM_DESTINATION = 17, // "Supply the destination directory for the Java Virtual Machine:"
  MSG_PROGRESS_DOT = 18,    // "."
  MSG_BAD_TEMP_ROOT = 39,   // "Cannot use %s as the temp directory ..."
};

// Launcher error codes 0..18; getErrorText maps them onto message ids.
enum ErrorCode : int {
  ERR_INPUT_FILE = 0,
  ERR_LOADING_INSTRUCTIONS = 1,
  ERR_LOADING_LAUNCH_SCRIPT = 2,
  ERR_LOADING_JVM_FILE = 3,
  ERR_INVALID_JVM_FILE_ID = 4,
  ERR_INVALID_ACTION = 5,
  ERR_LOG_FILE_MISSING = 6,
  ERR_EXTRACT = 7,
  ERR_LOAD_INDEX = 8,
  ERR_NO_JVM_INSTALLER = 9,
  ERR_JVM_NOT_VALID = 10,
  ERR_INPUT_FILE_MISSING = 11,
  ERR_NO_SUITABLE_JVM = 12,
  ERR_SEARCH_ALL = 13,
  ERR_OPEN_INPUT_FILE = 14,
  ERR_WRITING_FILE = 15,
  ERR_DISK_SPACE = 16,
  ERR_CANCELED = 17,
  ERR_TEMP_DIRECTORY = 18,
};

// The language table to use now, 0..26 (0 is English), from LANG.
int getLanguageIndex();
// The language code of a table ("en", "bg", ..., "zh_TW"); null outside 0..26.
const char *getLanguageCode(int index);
// Message id formatted with its one argument filling "%s" (null: no argument). An id
// outside 0..39 gives "Error displaying message: id(N)". Never cut, whatever its length.
SString getMessage(int id, const char *argument = nullptr);
// The text of a launcher error code; an empty string outside 0..18.
SString getErrorText(int code);

// Runs body; a LauncherException from it comes back with the text of the error code
// directly in front of its own.
template <class Body> void withErrorText(int code, Body body) {
  try {
    body();
  } catch (const LauncherException &e) {
    throw LauncherException(getErrorText(code) + e.getMessage());
  }
}
