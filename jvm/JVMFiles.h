// JVMFiles: the run's JVM files in order of preference, with the state of the search: the
// verification class, the search for one JVM by hints and on the whole disk, and the search
// for every JVM.
#pragma once

#include "jvm/JVMFile.h"
#include "jvm/JVMMatch.h"
#include "jvm/JVMSearchHost.h"
#include "jvm/SearchReport.h"
#include "jvm/UnverifiedJVMMatch.h"
#include "native/launcher/linux/FileNavigator.h"

#include <memory>

class JVMFiles : public FileFindListener {
public:
  JVMFiles() = default;

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
  // Without a class set, the embedded verification archive is extracted once and named in
  // double quotes, with the class "\"Verify\""; without an archive both stay empty.
  void prepareVerifyClass(JVMSearchHost &host);
  // prepareVerifyClass, then both values.
  void getVerifyClass(JVMSearchHost &host, SString &classpath, SString &className);

  // Appends at most one match: the user's Java home for the first JVM file it satisfies,
  // else the first that the hints of each JVM file in order give, else, when a JVM file
  // whose hints failed allows it, the first of the whole-disk search. Without one, the log
  // gets the search's report: every candidate examined and why it was refused (searchAll
  // too).
  void findJVM(JVMSearchHost &host, JVMMatchPtrDeque &matches);
  // The whole-disk search for every JVM file. With stopAtFirst, a JVM of the first JVM file
  // is verified as soon as it is found and ends the walk (it stays in the found match);
  // other candidates are verified after the walk, and each that passes is appended.
  void searchAll(JVMSearchHost &host, JVMMatchPtrDeque &matches, bool stopAtFirst);
  void exhaustiveSearch(JVMSearchHost &host, JVMMatchPtrDeque &matches);
  // The match that searchAll with stopAtFirst verified during the walk; null when none.
  std::unique_ptr<JVMMatch> takeFoundMatch() { return std::move(foundMatch_); }
  const UnverifiedJVMMatchPtrDeque &getUnverifiedMatches() const { return unverifiedMatches_; }

  // A file found by the walk: a candidate home for every JVM file whose JVM_EXE it ends with.
  bool fileFound(const SString &path) override;
  void addUnverifiedMatch(JVMFile *jvmFile, const SString &home);

private:
  // verify for a candidate of the disk search, which only runs a program that no untrusted
  // user could have put there.
  std::unique_ptr<JVMMatch> verifyFoundCandidate(JVMFile &jvmFile, const SString &home);

  JVMFilePtrDeque jvmFiles_;
  UnverifiedJVMMatchPtrDeque unverifiedMatches_;
  std::unique_ptr<JVMMatch> foundMatch_;
  bool stopAtFirst_ = false;
  SString verifyClasspath_;
  SString verifyClassName_;
  // Set while a search runs.
  JVMSearchHost *host_ = nullptr;
  SearchReport report_;
};
