// TagFile: ordered named tags, each with an ordered list of text values, read from and
// written to the launcher's configuration text format.
#pragma once

#include "base/Deque.h"
#include "base/SString.h"

#include <cstdio>
#include <string_view>

class TagFileEntry {
public:
  explicit TagFileEntry(SString name) : name_(std::move(name)) {}
  const SString &getName() const { return name_; }
  StringDeque &getValues() { return values_; }
  const StringDeque &getValues() const { return values_; }

private:
  SString name_;
  StringDeque values_;
};

using TagFilePtrDeque = PtrDeque<class TagFile>;
using TagFileEntryPtrDeque = PtrDeque<TagFileEntry>;

// Where the reader takes its lines from: memory or an open stream.
class TagFileLineSource;

class TagFile {
public:
  TagFile() = default;
  // Reads the whole file at path. Raises LauncherException "Unable to load input file: "
  // followed by the path when it cannot be opened, or the reader's errors.
  explicit TagFile(const SString &path);
  TagFile(const TagFile &) = delete;
  TagFile &operator=(const TagFile &) = delete;
  TagFile(TagFile &&) noexcept = default;
  TagFile &operator=(TagFile &&) noexcept = default;
  virtual ~TagFile() = default;

  // Parses tags from an open stream, from byte start; length -1 reads to the end, otherwise
  // reading stops before a tag line that would begin at or after start + length (a list
  // goes on past it). Tags already present stay unless the text replaces them. Syntax
  // errors are logged, then raised as LauncherException; what was read so far stays.
  void read(std::FILE *stream, const SString &fileName, long start, long length);
  // The same over text held in memory, from its first byte to its last.
  void parse(std::string_view text, const SString &fileName);

  // A copy of the value at index, or an empty string.
  SString getValue(const SString &name, unsigned index = 0) const;
  int getValueCount(const SString &name) const;
  // The first value read as "%hd": non-zero is true; the default when the tag is absent,
  // empty or does not begin with a number.
  bool getBoolean(const SString &name, bool defaultValue) const;
  // The tag's values, or null when the tag is absent.
  const StringDeque *findValues(const SString &name) const;
  const SString &getFileName() const { return fileName_; }
  int getLineNumber() const { return lineNumber_; }
  const TagFileEntryPtrDeque &getEntries() const { return entries_; }

  // Makes value the tag's only value, adding the tag at the end when absent.
  void setValue(const SString &name, const SString &value);
  // Appends value to an existing tag; otherwise acts as setValue.
  void addValue(const SString &name, const SString &value);
  void setBoolean(const SString &name, bool flag);
  // JVM_HOME, JVM_FILE and JVM_TEMP ("1" or "0"), in that order.
  void setJVMSettings(const SString &home, const SString &file, bool temp);
  void removeTag(const SString &name);
  // Writes every tag that has values to a new file that replaces path (a link of that name
  // is replaced, not followed). False when the file cannot be written; nothing is reported.
  bool write(const SString &path) const;
  // The text that write produces. A list value that reads "/:" is quoted so that it reads
  // back as a value: only a bare "/:" line ends a list.
  SString toText() const;

private:
  TagFileEntry *findEntry(const SString &name) const;
  // The tag's index in entries_, or -1.
  int findIndex(const SString &name) const;

  // Reads tag lines until the source ends or a tag line would begin at or past limit
  // (limit -1: no bound).
  void parseLines(TagFileLineSource &source, long limit);
  void parseTagLine(TagFileLineSource &source, const SString &line, SString::size_type colon);
  void parseList(TagFileLineSource &source, const SString &name);
  // Logs and raises the syntax error for line.
  [[noreturn]] void raiseSyntaxError(int line, const char *reason) const;

  TagFileEntryPtrDeque entries_;
  int lineNumber_ = 0;
  SString fileName_;
};
