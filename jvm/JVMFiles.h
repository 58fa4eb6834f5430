// JVMFiles: the run's JVM files in order of preference, with the state of the search.
#pragma once

#include "jvm/JVMFile.h"

#include <memory>

class JVMFiles {
public:
  // Appends a JVM file; the list owns it.
  void addJVMFile(std::unique_ptr<JVMFile> jvmFile) { jvmFiles_.add(std::move(jvmFile)); }
  const JVMFilePtrDeque &getJVMFiles() const { return jvmFiles_; }

  // The class path and class name of the JVM verification class.
  void setVerifyClass(const SString &classpath, const SString &className) {
    verifyClasspath_ = classpath;
    verifyClassName_ = className;
  }
  const SString &getVerifyClasspath() const { return verifyClasspath_; }
  const SString &getVerifyClassName() const { return verifyClassName_; }

private:
  JVMFilePtrDeque jvmFiles_;
  SString verifyClasspath_;
  SString verifyClassName_;
};
