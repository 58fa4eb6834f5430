// JVMFile: one JVM description file, read from a tag file that it does not own, and the
// resolver of "@" references to its values.
#pragma once

#include "base/Deque.h"
#include "base/SString.h"
#include "launchscript/MacroHandler.h"
#include "tagfile/TagFile.h"

class JVMFile : public MacroHandler {
public:
  explicit JVMFile(TagFile &tagFile) : tagFile_(&tagFile) {}
  JVMFile(const JVMFile &) = delete;
  JVMFile &operator=(const JVMFile &) = delete;
  virtual ~JVMFile() = default;

  TagFile *getTagFile() const { return tagFile_; }
  // The name the tag file was read under: an entry name, or a path on disk.
  const SString &getName() const { return tagFile_->getFileName(); }
  // The first values of DESC and JVM_EXE; empty when absent.
  SString getDescription() const;
  SString getExe() const;
  // SEARCH_ALL read as a truth value, false when absent or no number.
  bool isSearchAll() const;

  // Replaces "@NAME@" (start and end at the two "@") by the first value of NAME, empty when
  // the key is absent; the value of JVM_HOME loses one trailing backslash.
  void expandMacro(SString &text, char delimiter, SString::size_type start,
                   SString::size_type &end) override;
  // text with every "@" reference to this file's values expanded.
  SString expandMacros(const SString &text);

private:
  TagFile *tagFile_;
};

using JVMFilePtrDeque = PtrDeque<JVMFile>;
