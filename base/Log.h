// The diagnostic log: plain-text lines appended to the file named by -qg:log or LOGFILE.
#pragma once

#include "base/SString.h"

enum LogLevel { LOG_PLAIN = 0, LOG_WARNING = 1, LOG_ERROR = 2 };

// Appends the level's prefix, the message and a line feed to the log file in one write, so
// that the line is in the file when log returns. The file is opened at the first line after
// it was named and stays open. The first line of a process is preceded by a separator. Does
// nothing while no log file is named; drops the line when the file cannot be opened (and
// tries again at the next). Never raises, never prints.
void log(const SString &message, int level = LOG_PLAIN);
void log(const char *message, int level = LOG_PLAIN);

// Names the log file; an empty name turns logging off.
void setLogFile(const SString &name);
const SString &getLogFile();

// Forgets the file name and the separator, as at process start.
void resetLogForTesting();
