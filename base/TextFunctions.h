// Shared text functions: trimming set, line reading, argument and word splitting, numbers.
#pragma once

#include "base/SString.h"

#include <cstdio>
#include <string>

// The trimming set of the whole launcher: space, tab, line feed, carriage return.
inline constexpr const char *BLANK_CHARS = " \t\n\r";

// True for the bytes 9, 10, 13 and 32 only.
bool isBlankChar(char c);
// True for the C locale's white space: blank, tab, line feed, vertical tab, form feed and
// carriage return.
bool isCSpace(char c);

// Decimal text of a number, "%ld".
SString formatLong(long value);

// Reads one line from the stream (up to and including a line feed, or to the end), drops
// every carriage return, and appends the line trimmed of BLANK_CHARS to line.
void readLine(std::FILE *stream, SString &line);
// The same over text from pos; pos ends one past the line feed (or one past the end).
// Returns at once when pos is at or past the end.
void readLine(const SString &text, SString::size_type &pos, SString &line);

// Appends "/" to a non-empty path that does not end with one.
void ensureTrailingSeparator(SString &path);

// One argument from pos. Quoted (pos just after an opening '"'): up to the closing quote,
// two quotes standing for one; pos ends after the closing quote, or npos at the end.
// Raises LauncherException "Expected double quote to end argument near N" when unterminated.
// Unquoted: up to the next blank; pos is left on the blank, or npos at the end.
SString nextArgument(const SString &text, SString::size_type &pos, bool quoted);

// One word separated by C-locale white space. noWord is set when none is left; then the
// result is empty and pos = length. Otherwise pos ends one past the delimiter.
SString nextWord(const SString &text, SString::size_type &pos, bool &noWord);

// Decodes \uXXXX escapes (the four characters read as by "%x") into character codes; every
// other byte becomes its own value 0..255.
std::wstring decodeUnicodeEscapes(const SString &text);
