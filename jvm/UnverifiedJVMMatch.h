// UnverifiedJVMMatch: the candidate homes of one JVM file that the whole-disk search found,
// to be verified after the walk.
#pragma once

#include "base/Deque.h"
#include "base/SString.h"

class JVMFile;

class UnverifiedJVMMatch {
public:
  explicit UnverifiedJVMMatch(JVMFile *jvmFile) : jvmFile_(jvmFile) {}
  UnverifiedJVMMatch(const UnverifiedJVMMatch &) = delete;
  UnverifiedJVMMatch &operator=(const UnverifiedJVMMatch &) = delete;
  virtual ~UnverifiedJVMMatch() = default;

  // Not owned.
  JVMFile *getJVMFile() const { return jvmFile_; }
  // In the order found, each at most once.
  const StringDeque &getHomes() const { return homes_; }
  // Appends home unless an equal one is there already.
  void addHome(const SString &home) {
    for (const SString &known : homes_)
      if (known == home)
        return;
    homes_.add(home);
  }

private:
  JVMFile *jvmFile_;
  StringDeque homes_;
};

using UnverifiedJVMMatchPtrDeque = PtrDeque<UnverifiedJVMMatch>;
