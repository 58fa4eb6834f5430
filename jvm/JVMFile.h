// JVMFile: one JVM description file, read from a tag file that it does not own.
#pragma once

#include "base/Deque.h"
#include "base/SString.h"
#include "tagfile/TagFile.h"

class JVMFile {
public:
  explicit JVMFile(TagFile &tagFile) : tagFile_(&tagFile) {}
  JVMFile(const JVMFile &) = delete;
  JVMFile &operator=(const JVMFile &) = delete;
  virtual ~JVMFile() = default;

  TagFile &getTagFile() const { return *tagFile_; }
  // The first value of DESC.
  SString getDescription() const { return tagFile_->getValue("DESC"); }

private:
  TagFile *tagFile_;
};

using JVMFilePtrDeque = PtrDeque<JVMFile>;
