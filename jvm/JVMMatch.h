// JVMMatch: a verified JVM home together with the tag file of the JVM file that matched.
#pragma once

#include "base/Deque.h"
#include "base/SString.h"
#include "tagfile/TagFile.h"

class JVMMatch {
public:
  JVMMatch(SString home, TagFile *tagFile) : home_(std::move(home)), tagFile_(tagFile) {}
  virtual ~JVMMatch() = default;

  const SString &getHome() const { return home_; }
  // The matching JVM file's tag file; not owned.
  TagFile *getTagFile() const { return tagFile_; }
  // True when the JVM was found through a hint relative to the launcher.
  bool getJVMTemp() const { return jvmTemp_; }
  void setJVMTemp(bool temp) { jvmTemp_ = temp; }

private:
  SString home_;
  bool jvmTemp_ = false;
  TagFile *tagFile_;
};

using JVMMatchPtrDeque = PtrDeque<JVMMatch>;
