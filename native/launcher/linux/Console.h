// The console: silent mode, the output switch, status lines, progress dots, the title and
// the prompt. Everything goes to standard output; nothing is written to standard error.
#pragma once

#include "base/SString.h"

#include <cstdio>
#include <string>

// Silent mode: no console output at all and no prompt. Never cleared once set.
void setSilent(bool on);
bool isSilent();

// Output switch for status lines, dots, the title and the prompt text. In silent mode
// enableConsoleOutput turns it off.
void enableConsoleOutput();
void disableConsoleOutput();
bool isConsoleOutputEnabled();

// When output is on: the text and a line feed.
void printLine(const SString &text);
void printText(const char *text);
// When output is on: the text as it stands, no line feed, then a flush.
void printRaw(const char *text);
// Unless silent: the text and a line feed, whatever the output switch says; preceded by a
// line break when the last thing written was a row of progress dots.
void printUnlessSilent(const SString &text);

// Ends a row of progress dots with a line break, so that what comes next (a child writing
// to the console) starts a line of its own; nothing otherwise.
void endProgressLine();

// printUnlessSilent for an error text, which may hold names from the payload or the disk:
// each control byte shows as \xNN, so that none can move the cursor or clear the screen (a
// backslash shows as itself). The log keeps such texts as they are.
void printErrorUnlessSilent(const SString &text);
// text with each control byte written as \xNN.
SString escapeControlBytes(const SString &text);

// The text and a line feed, in every mode: a result line that another program reads. It
// starts a line of its own when progress dots were printed before it.
void printResultLine(const SString &text);

// One white-space delimited word from standard input, read whole; empty at end of input.
SString readWord();

// Stores the title (\uXXXX escapes decoded, then converted to the locale's multibyte form,
// ending before the first character that does not convert) and shows it unless silent.
void setTitle(const SString &text);
const SString &getTitle();
// The wide text converted to the current locale's multibyte encoding, up to the first
// character that the encoding cannot represent.
SString toMultibyte(const std::wstring &wide);

// Unless silent: status line kind 0..4 (an empty line first); other kinds write nothing.
void showStatus(int kind);
// Unless silent: records the search status 1 (searching the named place), 2 (scanning the
// disks) or 3 (verifying the named JVM) as the current one, and shows its line (after an
// empty one) unless that is the line shown last. 0 shows nothing.
void showSearchStatus(int status, const SString &name);
int getSearchStatus();

// Restores the search status and name of its creation when it ends, without showing them
// again.
class StatusScope {
public:
  StatusScope();
  StatusScope(const StatusScope &) = delete;
  StatusScope &operator=(const StatusScope &) = delete;
  ~StatusScope();

private:
  int savedStatus_;
  SString savedName_;
};

// Unless silent: adds n to the count, writes n dots when output is on, then
// setProgress(count + n), so one step of n advances the count by 2n.
void stepProgress(int n);
// Unless silent: sets the count; writes a line break when count / 70 passes the lines
// written so far.
void setProgress(int value);
int getProgress();

// Empty in silent mode; otherwise prints message 17 and reads one word.
SString promptForJVMDestination();

// Restores the state of process start and sends output and input to the given streams.
void resetConsoleForTesting(std::FILE *out = stdout, std::FILE *in = stdin);
