// JVMFile: one JVM description file, read from a tag file that it does not own; the
// resolver of "@" references to its values; the verification of a candidate JVM home against
// it, and its three searches by hints.
#pragma once

#include "base/Deque.h"
#include "base/SString.h"
#include "jvm/JVMMatch.h"
#include "jvm/JVMSearchHost.h"
#include "jvm/SearchReport.h"
#include "jvm/StringPair.h"
#include "launchscript/MacroHandler.h"
#include "tagfile/TagFile.h"

#include <memory>

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

  // Runs the JVM at home on the verification class and compares what it reports with
  // JVM_PROPERTIES; a match when it passes, null otherwise (nothing is checked and nothing
  // logged when home or JVM_EXE is empty). JVM_HOME of the tag file becomes home, whatever
  // the outcome. A home with a control character is never run, like one whose program does
  // not exist. Raises LauncherException for errors of the command itself.
  std::unique_ptr<JVMMatch> verify(JVMSearchHost &host, const SString &home,
                                   const SString &classpath, const SString &className);
  // verify at the file's own JVM_HOME; null with a warning when the first JVM_PROPERTIES
  // value is empty.
  std::unique_ptr<JVMMatch> verifyAtJVMHome(JVMSearchHost &host, const SString &classpath,
                                            const SString &className);
  // Builds and runs the verification command for home and judges its output.
  bool runVerifyClass(JVMSearchHost &host, const SString &home, const SString &classpath,
                      const SString &className);
  // True when output holds the magic line and the lines after it answer the expected
  // properties in order: equal, or beginning with the text before a final "...". Lines
  // left over, or properties without a line, do not matter. Without the magic line an error
  // naming the last line read is logged. When it fails and refusal is given, that says why:
  // the first line printed, or the first property that did not match.
  static bool checkVerifyOutput(const SString &output, const StringPairPtrDeque &expected,
                                SString *refusal = nullptr);

  // Where verify records the candidates it refuses; none when null.
  void setSearchReport(SearchReport *report) { report_ = report; }

  // The hint searches of this file, each a match or null: the directories in the
  // environment variables that PLATFORM_HINT names, the directories of PATH_HINT (relative
  // ones below the original launcher's directory, their matches marked temporary), and the
  // entries of PATH turned into homes with the directory part of JVM_EXE. Each begins by
  // refusing, with a warning, a file without JVM_PROPERTIES.
  std::unique_ptr<JVMMatch> searchPlatformHints(JVMSearchHost &host, const SString &classpath,
                                                const SString &className);
  std::unique_ptr<JVMMatch> searchPathHints(JVMSearchHost &host, const SString &classpath,
                                            const SString &className);
  std::unique_ptr<JVMMatch> searchPlatformPath(JVMSearchHost &host, const SString &classpath,
                                               const SString &className);

private:
  // The warning and false for a file without JVM_PROPERTIES.
  bool hasProperties() const;
  void refuse(const SString &home, const SString &reason);
  void setReportSource(const SString &source);

  TagFile *tagFile_;
  SearchReport *report_ = nullptr;
};

using JVMFilePtrDeque = PtrDeque<JVMFile>;
