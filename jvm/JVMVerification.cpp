// The verification of a candidate JVM home: run its Java executable on the verification
// class and compare the properties it reports with those the JVM file asks for.
#include "jvm/JVMFile.h"

#include "base/Log.h"
#include "base/TextFunctions.h"
#include "jvm/JVMTexts.h"
#include "launchscript/LaunchScript.h"
#include "native/launcher/linux/Console.h"
#include "native/launcher/linux/FileSystem.h"

namespace jt = jvmtext;

namespace {
// A control character in a directory name has no business in a JVM's home, and would cut
// the command line or the log.
bool hasControlCharacter(const SString &text) {
  for (const char c : text.view())
    if (static_cast<unsigned char>(c) < 0x20 || c == '\x7f')
      return true;
  return false;
}

bool answers(const SString &line, const SString &expected) {
  if (!expected.endsWith("..."))
    return line == expected;
  const SString prefix = expected.substring(0, expected.length() - 3);
  return line.startsWith(prefix.view());
}
} // namespace

std::unique_ptr<JVMMatch> JVMFile::verify(JVMSearchHost &host, const SString &home,
                                          const SString &classpath, const SString &className) {
  const SString exe = getExe();
  if (exe.isEmpty() || home.isEmpty())
    return nullptr;
  StatusScope scope;
  showSearchStatus(3, getDescription());
  SString fullPath = home;
  ensureTrailingSeparator(fullPath);
  fullPath += exe;
  log(jt::kVerifyingAt + fullPath + jt::kForJVM + getDescription());
  if (hasControlCharacter(home)) {
    log(jt::kUnsafeCandidate + home, LOG_WARNING);
    refuse(home, jt::kRefusedUnsafe);
    stepProgress(2);
    return nullptr;
  }
  if (!pathExists(fullPath)) {
    log(fullPath + jt::kDoesNotExist);
    refuse(home, jt::kRefusedNoExecutable + exe);
    stepProgress(2);
    return nullptr;
  }
  if (!runVerifyClass(host, home, classpath, className))
    return nullptr;
  log(jt::kFoundMatching + home);
  return std::make_unique<JVMMatch>(home, tagFile_);
}

std::unique_ptr<JVMMatch> JVMFile::verifyAtJVMHome(JVMSearchHost &host, const SString &classpath,
                                                   const SString &className) {
  if (!hasProperties())
    return nullptr;
  return verify(host, tagFile_->getValue(jt::kJvmHomeKey), classpath, className);
}

bool JVMFile::hasProperties() const {
  if (!tagFile_->getValue(jt::kJvmPropertiesKey).isEmpty())
    return true;
  log(jt::kUnableToVerify + getName() + jt::kNoProperties, LOG_WARNING);
  return false;
}

bool JVMFile::runVerifyClass(JVMSearchHost &host, const SString &home, const SString &classpath,
                             const SString &className) {
  tagFile_->setValue(jt::kJvmHomeKey, home);
  // The home and a quoted class path are paths the launcher inserts: literals, which neither
  // the macro passes nor the shell read.
  LaunchScript script(SString(), /*captureOutput=*/true, /*fromTagFile=*/false);
  SString homePath = home;
  if (!homePath.endsWith("/"))
    homePath += "/";
  SString command = "\"" + script.insertLiteral(homePath) + "@JVM_EXE@\" %CP%(";
  if (classpath.length() >= 2 && classpath.startsWith("\"") && classpath.endsWith("\""))
    command +=
        "\"\"\"" + script.insertLiteral(classpath.substring(1, classpath.length() - 2)) + "\"\"\"";
  else
    command += classpath;
  command += ") " + className;

  StringPairPtrDeque expected;
  if (const StringDeque *properties = tagFile_->findValues(jt::kJvmPropertiesKey)) {
    for (const SString &entry : *properties) {
      const SString::size_type equals = entry.find('=');
      if (equals == SString::npos) {
        log(jt::kInvalidProperty + entry + jt::kInvalidPropertyIn + getName(), LOG_WARNING);
        continue;
      }
      auto pair = std::make_unique<StringPair>();
      pair->name = entry.substring(0, equals);
      pair->name.trim(BLANK_CHARS);
      pair->value = entry.substring(equals + 1);
      pair->value.trim(BLANK_CHARS);
      command += " " + pair->name;
      expected.add(std::move(pair));
    }
  }

  // A JVM that waits for input or never ends must not hold the search.
  script.setCommand(command);
  script.setInputFromNull(true);
  script.setTimeout(host.getVerifyTimeoutSeconds());
  script.execute(host, *tagFile_, nullptr, /*forceConsole=*/false);
  bool passed = false;
  SString refusal;
  if (script.timedOut()) {
    const SString seconds = formatLong(host.getVerifyTimeoutSeconds());
    log(jt::kTimedOut + home + jt::kTimedOutAfter + seconds + jt::kTimedOutEnd, LOG_WARNING);
    refusal = jt::kRefusedTimedOut + seconds + jt::kRefusedSeconds;
  } else {
    passed = checkVerifyOutput(script.getCapturedOutput(), expected, &refusal);
  }
  if (!passed)
    refuse(home, refusal);
  stepProgress(6);
  return passed;
}

void JVMFile::refuse(const SString &home, const SString &reason) {
  if (report_)
    report_->refused(home, getDescription(), reason);
}

void JVMFile::setReportSource(const SString &source) {
  if (report_)
    report_->setSource(source);
}

bool JVMFile::checkVerifyOutput(const SString &output, const StringPairPtrDeque &expected,
                                SString *refusal) {
  SString::size_type position = 0;
  SString line;
  SString firstLine;
  bool magic = false;
  for (bool first = true; !magic && position < output.length(); first = false) {
    line = SString();
    readLine(output, position, line);
    if (first)
      firstLine = line;
    magic = line == jt::kMagicLine;
  }
  if (!magic) {
    log(jt::kInvalidMagic + line + "\n", LOG_ERROR);
    if (refusal)
      *refusal = output.isEmpty() ? SString(jt::kRefusedNoOutput) : jt::kRefusedNoMagic + firstLine;
    return false;
  }
  // The n-th line after the magic line answers the n-th property.
  for (const StringPair &property : expected) {
    if (position >= output.length())
      break;
    line = SString();
    readLine(output, position, line);
    if (!answers(line, property.value)) {
      if (refusal)
        *refusal = property.name + jt::kRefusedIs + line + jt::kRefusedWanted + property.value;
      return false;
    }
  }
  return true;
}
