// The JVM searches: the user's Java home, the hints of each JVM file, and the whole disk.
#include "jvm/JVMFiles.h"

#include "base/Log.h"
#include "base/TextFunctions.h"
#include "jvm/JVMTexts.h"
#include "native/launcher/linux/Console.h"
#include "native/launcher/linux/FileSystem.h"

namespace jt = jvmtext;

namespace {
// Keeps the host for the callbacks of one search and gives every JVM file the search's
// report; the state before comes back afterwards.
class SearchScope {
public:
  SearchScope(JVMSearchHost *&slot, JVMSearchHost &host, JVMFilePtrDeque &jvmFiles,
              SearchReport &report)
      : slot_(slot), previous_(slot), jvmFiles_(jvmFiles) {
    slot_ = &host;
    for (JVMFile &jvmFile : jvmFiles_)
      jvmFile.setSearchReport(&report);
  }
  SearchScope(const SearchScope &) = delete;
  SearchScope &operator=(const SearchScope &) = delete;
  ~SearchScope() {
    slot_ = previous_;
    if (!previous_)
      for (JVMFile &jvmFile : jvmFiles_)
        jvmFile.setSearchReport(nullptr);
  }

private:
  JVMSearchHost *&slot_;
  JVMSearchHost *previous_;
  JVMFilePtrDeque &jvmFiles_;
};
} // namespace

std::unique_ptr<JVMMatch> JVMFile::searchPlatformHints(JVMSearchHost &host,
                                                       const SString &classpath,
                                                       const SString &className) {
  if (!hasProperties())
    return nullptr;
  log(jt::kSearchingFor + getDescription() + jt::kUsingPlatformHints);
  std::unique_ptr<JVMMatch> match;
  if (const StringDeque *hints = tagFile_->findValues(jt::kPlatformHintKey)) {
    for (const SString &hint : *hints) {
      StringDeque parts;
      getEnvironmentList(parts, hint);
      for (const SString &part : parts) {
        if (match)
          return match;
        if (part.isEmpty())
          continue;
        log(jt::kCheckingJVMAt + part + jt::kFromPlatformHint + hint);
        setReportSource(jt::kSourcePlatformHint + hint);
        match = verify(host, part, classpath, className);
      }
      if (match)
        return match;
    }
  }
  return match;
}

std::unique_ptr<JVMMatch> JVMFile::searchPathHints(JVMSearchHost &host, const SString &classpath,
                                                   const SString &className) {
  if (!hasProperties())
    return nullptr;
  log(jt::kSearchingFor + getDescription() + jt::kUsingPathHints);
  const StringDeque *hints = tagFile_->findValues(jt::kPathHintKey);
  if (!hints)
    return nullptr;
  for (const SString &hint : *hints) {
    setReportSource(jt::kSourcePathHint + hint);
    if (!hint.startsWith("/")) {
      // Relative to the directory of the launcher the user started; such a JVM goes with the
      // media, and the saved JVM file says so.
      SString candidate = host.getOriginalLauncherDir();
      ensureTrailingSeparator(candidate);
      candidate += hint;
      std::unique_ptr<JVMMatch> match = verify(host, candidate, classpath, className);
      if (match) {
        match->setJVMTemp(true);
        return match;
      }
      continue;
    }
    StringDeque roots;
    getSearchRoots(roots);
    for (SString candidate : roots) {
      ensureTrailingSeparator(candidate);
      candidate += hint.substring(1);
      if (candidate.isEmpty())
        continue;
      log(jt::kCheckingPathHint + candidate);
      if (std::unique_ptr<JVMMatch> match = verify(host, candidate, classpath, className))
        return match;
    }
  }
  return nullptr;
}

std::unique_ptr<JVMMatch> JVMFile::searchPlatformPath(JVMSearchHost &host, const SString &classpath,
                                                      const SString &className) {
  if (!hasProperties())
    return nullptr;
  log(jt::kSearchingFor + getDescription() + jt::kUsingPlatformPath);
  StringDeque entries;
  getPathList(entries);
  setReportSource(jt::kSourcePath);
  // A PATH entry holds the executable, so the directory part of JVM_EXE is cut off it:
  // /opt/java/jre/bin gives /opt/java for jre/bin/java.
  const SString exe = getExe();
  const SString::size_type slash = exe.rfind('/');
  const SString directoryPart = slash == SString::npos ? SString() : exe.substring(0, slash + 1);
  for (const SString &entry : entries) {
    SString candidate = entry;
    if (!directoryPart.isEmpty()) {
      ensureTrailingSeparator(candidate);
      if (candidate.endsWith(directoryPart.view()))
        candidate.erase(candidate.length() - directoryPart.length());
    }
    if (entry.isEmpty())
      continue;
    log(jt::kCheckingJVMAt + candidate + jt::kFromPlatformPath + entry);
    if (std::unique_ptr<JVMMatch> match = verify(host, candidate, classpath, className))
      return match;
  }
  return nullptr;
}

void JVMFiles::prepareVerifyClass(JVMSearchHost &host) {
  if (!verifyClasspath_.isEmpty() || !verifyClassName_.isEmpty())
    return;
  const SString archive = host.extractVerifyArchive();
  if (archive.isEmpty())
    return;
  verifyClasspath_ = "\"" + archive + "\"";
  verifyClassName_ = jt::kVerifyClassName;
}

void JVMFiles::getVerifyClass(JVMSearchHost &host, SString &classpath, SString &className) {
  prepareVerifyClass(host);
  classpath = verifyClasspath_;
  className = verifyClassName_;
}

void JVMFiles::findJVM(JVMSearchHost &host, JVMMatchPtrDeque &matches) {
  report_.clear();
  const SearchScope scope(host_, host, jvmFiles_, report_);
  foundMatch_.reset();
  prepareVerifyClass(host);
  const SString userHome = host.getUserJavaHome();
  if (!userHome.isEmpty()) {
    report_.setSource(jt::kSourceUserHome);
    log(jt::kCheckingUserHome + userHome);
    for (JVMFile &jvmFile : jvmFiles_) {
      if (foundMatch_)
        break;
      foundMatch_ = jvmFile.verify(host, userHome, verifyClasspath_, verifyClassName_);
    }
  }
  bool searchAll = false;
  if (!foundMatch_) {
    log(jt::kInitiatingHints);
    for (JVMFile &jvmFile : jvmFiles_) {
      if (foundMatch_ || searchAll)
        break;
      searchAll = jvmFile.isSearchAll();
      StatusScope status;
      showSearchStatus(1, jvmFile.getDescription());
      foundMatch_ = jvmFile.searchPlatformHints(host, verifyClasspath_, verifyClassName_);
      if (!foundMatch_)
        foundMatch_ = jvmFile.searchPathHints(host, verifyClasspath_, verifyClassName_);
      if (!foundMatch_)
        foundMatch_ = jvmFile.searchPlatformPath(host, verifyClasspath_, verifyClassName_);
    }
  }
  if (!foundMatch_ && searchAll) {
    stopAtFirst_ = true;
    exhaustiveSearch(host, matches);
  }
  if (foundMatch_)
    matches.add(std::move(foundMatch_));
  else
    log(report_.describe());
}

void JVMFiles::searchAll(JVMSearchHost &host, JVMMatchPtrDeque &matches, bool stopAtFirst) {
  report_.clear();
  const SearchScope scope(host_, host, jvmFiles_, report_);
  foundMatch_.reset();
  prepareVerifyClass(host);
  stopAtFirst_ = stopAtFirst;
  const int before = matches.count();
  exhaustiveSearch(host, matches);
  if (matches.count() == before && !foundMatch_)
    log(report_.describe());
}

void JVMFiles::exhaustiveSearch(JVMSearchHost &host, JVMMatchPtrDeque &matches) {
  const SearchScope scope(host_, host, jvmFiles_, report_);
  report_.setSource(jt::kSourceDiskSearch);
  unverifiedMatches_.clear();
  StringDeque names;
  for (const JVMFile &jvmFile : jvmFiles_) {
    const SString exe = jvmFile.getExe();
    bool known = exe.isEmpty();
    for (const SString &name : names)
      known = known || name == exe;
    if (!known)
      names.add(exe);
  }
  StatusScope status;
  showSearchStatus(2, SString());
  log(jt::kBeginningExhaustive);
  searchFileSystem(names, *this, host.getTempRoot());
  if (foundMatch_)
    return;
  log(jt::kProcessingUnverified);
  for (const UnverifiedJVMMatch &candidates : unverifiedMatches_) {
    for (const SString &home : candidates.getHomes()) {
      std::unique_ptr<JVMMatch> match = verifyFoundCandidate(*candidates.getJVMFile(), home);
      if (!match)
        continue;
      matches.add(std::move(match));
      if (stopAtFirst_)
        return;
    }
  }
}

bool JVMFiles::fileFound(const SString &path) {
  bool first = true;
  for (JVMFile &jvmFile : jvmFiles_) {
    if (foundMatch_)
      break;
    const SString exe = jvmFile.getExe();
    if (!exe.isEmpty() && path.length() > exe.length() && path.endsWith(exe.view())) {
      const SString home = path.substring(0, path.length() - exe.length() - 1);
      // The most preferred JVM file's candidates are verified at once when one JVM is
      // wanted, so that the walk can end at the first that passes.
      if (first && stopAtFirst_)
        foundMatch_ = verifyFoundCandidate(jvmFile, home);
      else
        addUnverifiedMatch(&jvmFile, home);
    }
    first = false;
  }
  return foundMatch_ != nullptr;
}

void JVMFiles::addUnverifiedMatch(JVMFile *jvmFile, const SString &home) {
  for (UnverifiedJVMMatch &candidates : unverifiedMatches_) {
    if (candidates.getJVMFile() == jvmFile) {
      candidates.addHome(home);
      return;
    }
  }
  auto candidates = std::make_unique<UnverifiedJVMMatch>(jvmFile);
  candidates->addHome(home);
  unverifiedMatches_.add(std::move(candidates));
}

std::unique_ptr<JVMMatch> JVMFiles::verifyFoundCandidate(JVMFile &jvmFile, const SString &home) {
  // The walk runs whatever it finds anywhere on the disk: only a program that no untrusted
  // user could have put in place is run.
  const SString program = home + "/" + jvmFile.getExe();
  if (!isTrustedPath(program)) {
    log(jt::kUntrustedCandidate + program, LOG_WARNING);
    report_.refused(home, jvmFile.getDescription(), jt::kRefusedUntrusted);
    return nullptr;
  }
  return jvmFile.verify(*host_, home, verifyClasspath_, verifyClassName_);
}
