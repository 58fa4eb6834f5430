// TagFile: the reader, the queries, the changes and the writer of tag files.
#include "tagfile/TagFile.h"

#include "base/Handles.h"
#include "base/LauncherException.h"
#include "base/Log.h"
#include "base/TextFunctions.h"
#include "native/launcher/linux/FileSystem.h"
#include "tagfile/TagFileTexts.h"

#include <algorithm>
#include <climits>
#include <memory>

class TagFileLineSource {
public:
  TagFileLineSource() = default;
  TagFileLineSource(const TagFileLineSource &) = delete;
  TagFileLineSource &operator=(const TagFileLineSource &) = delete;
  virtual ~TagFileLineSource() = default;

  // The byte offset of the next line.
  virtual long position() const = 0;
  virtual bool atEnd() = 0;
  // The next line without carriage returns, trimmed of BLANK_CHARS.
  virtual SString readLine() = 0;
};

namespace {

class MemoryLineSource final : public TagFileLineSource {
public:
  explicit MemoryLineSource(std::string_view text) : text_(text) {}
  long position() const override { return static_cast<long>(pos_); }
  bool atEnd() override { return pos_ >= text_.length(); }
  SString readLine() override {
    SString line;
    ::readLine(text_, pos_, line);
    return line;
  }

private:
  SString text_;
  SString::size_type pos_ = 0;
};

// Reads in place, so that an embedded tag file never pulls in the archive behind it.
class StreamLineSource final : public TagFileLineSource {
public:
  explicit StreamLineSource(std::FILE *stream) : stream_(stream) {}
  long position() const override { return std::ftell(stream_); }
  // Looks one byte ahead so that a final line feed does not count as one more line.
  bool atEnd() override {
    const int c = std::fgetc(stream_);
    if (c == EOF)
      return true;
    std::ungetc(c, stream_);
    return false;
  }
  SString readLine() override {
    SString line;
    ::readLine(stream_, line);
    return line;
  }

private:
  std::FILE *stream_;
};

// A value that begins with a double quote is taken up to its closing quote.
SString unquote(const SString &value) {
  if (!value.startsWith("\""))
    return value;
  SString::size_type pos = 1;
  return nextArgument(value, pos, /*quoted=*/true);
}

bool needsQuotes(const SString &value, bool inList) {
  if (value.isEmpty() || isBlankChar(value.charAt(0)) ||
      isBlankChar(value.charAt(value.length() - 1)) || value.find('"') != SString::npos)
    return true;
  // Written bare, this value would end the list when read back.
  return inList && value == tagfiletext::kListTerminator;
}

void appendValueLine(SString &text, const SString &value, bool inList) {
  text.append("  ");
  if (!needsQuotes(value, inList)) {
    text.append(value).append('\n');
    return;
  }
  text.append('"');
  for (char c : value.view()) {
    if (c == '"')
      text.append('"');
    text.append(c);
  }
  text.append("\"\n");
}

} // namespace

TagFile::TagFile(const SString &path) {
  UniqueFile file(std::fopen(path.cStr(), "r"));
  if (!file)
    throw LauncherException(SString(tagfiletext::kUnableToLoad) + path);
  read(file.get(), path, 0, -1);
}

void TagFile::read(std::FILE *stream, const SString &fileName, long start, long length) {
  fileName_ = fileName;
  lineNumber_ = 0;
  if (std::fseek(stream, start, SEEK_SET) != 0)
    throw LauncherException(tagfiletext::kUnableToRead);
  StreamLineSource source(stream);
  // Compared as an offset from start so that a huge length cannot overflow.
  parseLines(source, length < 0 ? -1 : start + std::min(length, LONG_MAX - start));
}

void TagFile::parse(std::string_view text, const SString &fileName) {
  fileName_ = fileName;
  lineNumber_ = 0;
  MemoryLineSource source(text);
  parseLines(source, -1);
}

void TagFile::parseLines(TagFileLineSource &source, long limit) {
  while (!source.atEnd()) {
    // The bound applies only where a tag begins; a list runs on to its terminator.
    if (limit >= 0 && source.position() >= limit)
      return;
    const SString line = source.readLine();
    ++lineNumber_;
    if (line.isEmpty())
      continue;
    const SString::size_type colon = line.find(':');
    if (colon == SString::npos)
      raiseSyntaxError(lineNumber_, tagfiletext::kMissingColon);
    parseTagLine(source, line, colon);
  }
}

void TagFile::parseTagLine(TagFileLineSource &source, const SString &line,
                           SString::size_type colon) {
  SString name = line.substring(0, colon);
  name.trim(BLANK_CHARS);
  removeTag(name);
  if (colon + 1 == line.length()) {
    parseList(source, name);
    return;
  }
  const SString::size_type valueStart = line.findFirstNotOf(BLANK_CHARS, colon + 1);
  setValue(name, unquote(line.substring(valueStart)));
}

void TagFile::parseList(TagFileLineSource &source, const SString &name) {
  const int tagLine = lineNumber_;
  while (!source.atEnd()) {
    const SString line = source.readLine();
    ++lineNumber_;
    // Only a bare terminator ends the list: a quoted "/:" is how the writer keeps that value.
    if (line == tagfiletext::kListTerminator)
      return;
    const SString value = unquote(line);
    if (!value.isEmpty())
      addValue(name, value);
  }
  raiseSyntaxError(tagLine, tagfiletext::kMissingCompleter);
}

void TagFile::raiseSyntaxError(int line, const char *reason) const {
  const SString text = SString(tagfiletext::kSyntaxErrorIn) + fileName_ + tagfiletext::kAtLine +
                       formatLong(line) + tagfiletext::kReasonSeparator + reason;
  log(text, LOG_ERROR);
  throw LauncherException(text);
}

int TagFile::findIndex(const SString &name) const {
  for (int i = 0; i < entries_.count(); ++i)
    if (entries_.get(i)->getName() == name)
      return i;
  return -1;
}

TagFileEntry *TagFile::findEntry(const SString &name) const {
  return entries_.get(findIndex(name));
}

SString TagFile::getValue(const SString &name, unsigned index) const {
  const StringDeque *values = findValues(name);
  if (!values || index >= static_cast<unsigned>(values->count()))
    return SString();
  return values->get(static_cast<int>(index));
}

int TagFile::getValueCount(const SString &name) const {
  const StringDeque *values = findValues(name);
  return values ? values->count() : 0;
}

bool TagFile::getBoolean(const SString &name, bool defaultValue) const {
  short number = 0;
  if (!getValue(name).toShort(number))
    return defaultValue;
  return number != 0;
}

const StringDeque *TagFile::findValues(const SString &name) const {
  const TagFileEntry *entry = findEntry(name);
  return entry ? &entry->getValues() : nullptr;
}

void TagFile::setValue(const SString &name, const SString &value) {
  TagFileEntry *entry = findEntry(name);
  if (!entry)
    entry = entries_.add(std::make_unique<TagFileEntry>(name));
  entry->getValues().clear();
  entry->getValues().add(value);
}

void TagFile::addValue(const SString &name, const SString &value) {
  TagFileEntry *entry = findEntry(name);
  if (!entry) {
    setValue(name, value);
    return;
  }
  entry->getValues().add(value);
}

void TagFile::setBoolean(const SString &name, bool flag) {
  setValue(name, flag ? "1" : "0");
}

void TagFile::setJVMSettings(const SString &home, const SString &file, bool temp) {
  setValue(tagfiletext::kJvmHomeTag, home);
  setValue(tagfiletext::kJvmFileTag, file);
  setBoolean(tagfiletext::kJvmTempTag, temp);
}

void TagFile::removeTag(const SString &name) {
  entries_.removeAt(findIndex(name));
}

SString TagFile::toText() const {
  SString text;
  for (const TagFileEntry &entry : entries_) {
    const StringDeque &values = entry.getValues();
    if (values.count() == 0)
      continue;
    const bool isList = values.count() > 1;
    text.append(entry.getName()).append(':');
    if (isList)
      text.append('\n');
    for (const SString &value : values)
      appendValueLine(text, value, isList);
    if (isList)
      text.append(tagfiletext::kListTerminator).append('\n');
  }
  return text;
}

bool TagFile::write(const SString &path) const {
  // Replaced rather than rewritten in place, so that a link with that name is never
  // followed and a reader never sees half a file.
  ReplacementFile file;
  if (file.create(path) != 0)
    return false;
  return writeAll(file.fd(), toText().view()) && file.commit() == 0;
}
