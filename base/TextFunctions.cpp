// Shared text functions.
#include "base/TextFunctions.h"

#include "base/BaseTexts.h"
#include "base/LauncherException.h"

namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// Reads a number the way "%x" does, looking at the given characters only: white space,
// an optional sign, an optional 0x, hexadecimal digits. False when no digit was read.
bool parseHex(std::string_view text, unsigned &out) {
  std::size_t i = 0;
  while (i < text.size() && isCSpace(text[i]))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
      i + 2 < text.size() && hexDigit(text[i + 2]) >= 0)
    i += 2;
  if (i >= text.size() || hexDigit(text[i]) < 0)
    return false;
  unsigned value = 0;
  for (; i < text.size() && hexDigit(text[i]) >= 0; ++i)
    value = value * 16 + static_cast<unsigned>(hexDigit(text[i]));
  out = negative ? 0u - value : value;
  return true;
}

} // namespace

bool isBlankChar(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isCSpace(char c) {
  return isBlankChar(c) || c == '\v' || c == '\f';
}

SString formatLong(long value) {
  return SString(std::to_string(value));
}

void readLine(std::FILE *stream, SString &line) {
  std::string bytes;
  for (int c = std::fgetc(stream); c != EOF; c = std::fgetc(stream)) {
    if (c == '\n')
      break;
    if (c != '\r')
      bytes.push_back(static_cast<char>(c));
  }
  line.append(SString(bytes).trim(BLANK_CHARS));
}

void readLine(const SString &text, SString::size_type &pos, SString &line) {
  if (pos >= text.length())
    return;
  const SString::size_type end = text.find('\n', pos);
  const std::string_view raw =
      text.view().substr(pos, end == SString::npos ? std::string_view::npos : end - pos);
  pos = end == SString::npos ? text.length() : end + 1;
  std::string bytes;
  for (char c : raw)
    if (c != '\r')
      bytes.push_back(c);
  line.append(SString(bytes).trim(BLANK_CHARS));
}

void ensureTrailingSeparator(SString &path) {
  if (!path.isEmpty() && !path.endsWith("/"))
    path.append('/');
}

SString nextArgument(const SString &text, SString::size_type &pos, bool quoted) {
  const SString::size_type length = text.length();
  if (!quoted) {
    if (pos >= length) {
      pos = SString::npos;
      return SString();
    }
    const SString::size_type delimiter = text.findFirstOf(BLANK_CHARS, pos);
    SString result =
        text.substring(pos, delimiter == SString::npos ? SString::npos : delimiter - pos);
    pos = delimiter;
    return result;
  }

  SString result;
  SString::size_type q = pos < length ? text.find('"', pos) : SString::npos;
  while (q != SString::npos) {
    if (q + 1 >= length || text.charAt(q + 1) != '"') {
      result.append(text.view().substr(pos, q - pos));
      pos = q + 1 >= length ? SString::npos : q + 1;
      return result;
    }
    // Two quotes stand for one; a pair that ends the text leaves the argument open.
    if (q + 2 >= length)
      break;
    result.append(text.view().substr(pos, q + 1 - pos));
    pos = q + 2;
    q = text.find('"', pos);
  }
  throw LauncherException(SString(fixedtext::kExpectedDoubleQuote) +
                          formatLong(static_cast<long>(pos)));
}

SString nextWord(const SString &text, SString::size_type &pos, bool &noWord) {
  const SString::size_type length = text.length();
  SString::size_type start = pos;
  while (start < length && isCSpace(text.charAt(start)))
    ++start;
  if (start >= length) {
    noWord = true;
    pos = length;
    return SString();
  }
  noWord = false;
  SString::size_type end = start;
  while (end < length && !isCSpace(text.charAt(end)))
    ++end;
  pos = end + 1;
  return text.substring(start, end - start);
}

std::wstring decodeUnicodeEscapes(const SString &text) {
  std::wstring codes;
  const std::string_view bytes = text.view();
  for (std::size_t p = 0; p < bytes.size(); ++p) {
    unsigned code = 0;
    if (bytes[p] == '\\' && p + 5 < bytes.size() && (bytes[p + 1] == 'u' || bytes[p + 1] == 'U') &&
        parseHex(bytes.substr(p + 2, 4), code)) {
      codes.push_back(static_cast<wchar_t>(code));
      p += 5;
      continue;
    }
    codes.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[p])));
  }
  return codes;
}
