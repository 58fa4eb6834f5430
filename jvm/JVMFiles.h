// JVMFiles: the run's JVM files in order of preference, with the state of the search.
#pragma once

#include "jvm/JVMFile.h"

#include <memory>

class JVMFiles {
public:
  JVMFiles() = default;
  JVMFiles(const JVMFiles &) = delete;
  JVMFiles &operator=(const JVMFiles &) = delete;
  virtual ~JVMFiles() = default;

  // Appends a JVM file; the list owns it.
  void addJVMFile(std::unique_ptr<JVMFile> jvmFile) { jvmFiles_.add(std::move(jvmFile)); }
  const JVMFilePtrDeque &getJVMFiles() const { return jvmFiles_; }
  int getJVMFileCount() const { return jvmFiles_.count(); }
  // The JVM file at index. Raises LauncherException with the text of error code 4 ("Invalid
  // JVM file id.") outside 0..count-1.
  JVMFile &getJVMFile(int index) const;

  // The class path and class name of the JVM verification class, stored as they are.
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
