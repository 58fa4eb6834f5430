// The launch-script functions: system properties, extra Java arguments, the class path,
// the launcher's own paths, and the side files next to the launcher file.
#include "launchscript/LaunchScript.h"

#include "base/Handles.h"
#include "base/LauncherException.h"
#include "base/Log.h"
#include "base/TextFunctions.h"
#include "launchscript/FunctionArguments.h"
#include "launchscript/LaunchScriptTexts.h"
#include "native/launcher/linux/FileSystem.h"

#include <cstdio>

namespace lt = launchscripttext;

namespace {
// Functions whose results hold further calls are expanded inside each other; a script
// whose archive calls CP, whose archive calls CP, ... must not exhaust the stack.
constexpr int kMaxNesting = 32;

enum class Function {
  Replace,
  RuntimeSystemProp,
  RuntimeJavaArgs,
  SystemProp,
  Classpath,
  IfExists,
  LauncherFile,
  LauncherDir,
  ApplicationArchive,
  TempDir,
};

struct FunctionName {
  const char *name;
  Function function;
};

// Tried in this order.
constexpr FunctionName kFunctions[] = {
    {"REPLACE", Function::Replace},
    {"RUNTIME_SYSTEMPROP", Function::RuntimeSystemProp},
    {"RUNTIME_JAVAARGS", Function::RuntimeJavaArgs},
    {"SYSTEMPROP", Function::SystemProp},
    {"CP", Function::Classpath},
    {"IF_EXISTS", Function::IfExists},
    {"LAUNCHER_FILE", Function::LauncherFile},
    {"LAUNCHER_DIR", Function::LauncherDir},
    {"APPLICATION_ARCHIVE", Function::ApplicationArchive},
    {"TEMP_DIR", Function::TempDir},
};

const FunctionName *findFunction(const SString &name) {
  for (const FunctionName &candidate : kFunctions)
    if (name == candidate.name)
      return &candidate;
  return nullptr;
}

// Calls line for every line of the file at path (carriage returns dropped, trimmed); false
// when the file cannot be opened.
template <class Line> bool forEachLine(const SString &path, Line line) {
  UniqueFile file(std::fopen(path.cStr(), "r"));
  if (!file)
    return false;
  for (int c = std::fgetc(file.get()); c != EOF; c = std::fgetc(file.get())) {
    std::ungetc(c, file.get());
    SString text;
    readLine(file.get(), text);
    line(text);
  }
  return true;
}

// One leading and one trailing double quote less.
SString withoutQuotes(SString value) {
  if (value.startsWith("\""))
    value.erase(0, 1);
  if (value.endsWith("\""))
    value.erase(value.length() - 1);
  return value;
}

void appendJoined(SString &joined, const SString &piece) {
  if (piece.isEmpty())
    return;
  if (!joined.isEmpty())
    joined += ' ';
  joined += piece;
}
} // namespace

void LaunchScript::expandFunction(SString &text, SString::size_type start, SString::size_type end) {
  const SString name = text.substring(start + 1, end - start - 1);
  if (!findFunction(name))
    raiseLaunchScriptError(text, lt::kInvalidFunctionName + name + lt::kInvalidFunctionNameEnd);
  StringDeque arguments;
  SString::size_type after = end + 1;
  parseFunctionArguments(text, after, arguments);
  if (nesting_ >= kMaxNesting)
    throw LauncherException(SString(lt::kErrorPrefix) + lt::kDoesNotTerminate);
  ++nesting_;
  SString value;
  try {
    value = callFunction(text, name, arguments);
  } catch (...) {
    --nesting_;
    throw;
  }
  --nesting_;
  text.replace(start, after - start, value);
}

SString LaunchScript::callFunction(const SString &text, const SString &name,
                                   const StringDeque &arguments) {
  const int count = arguments.count();
  const auto requireCount = [&](bool valid, const char *message) {
    if (!valid)
      raiseLaunchScriptError(text, message);
  };
  switch (findFunction(name)->function) {
  case Function::Replace: {
    requireCount(count == 3, lt::kReplaceArity);
    const SString from = expandJVMValues(arguments.get(0));
    const SString to = expandJVMValues(arguments.get(1));
    SString result = arguments.get(2);
    // An empty search text would be found everywhere, and for ever.
    if (from.isEmpty())
      return result;
    for (SString::size_type at = result.find(from); at != SString::npos;
         at = result.find(from, at + to.length()))
      result.replace(at, from.length(), to);
    return result;
  }
  case Function::RuntimeSystemProp:
    requireCount(count == 0, lt::kRuntimeSystemPropArity);
    return runtimeSystemProperties();
  case Function::RuntimeJavaArgs:
    requireCount(count == 0, lt::kRuntimeJavaArgsArity);
    return runtimeJavaArguments();
  case Function::SystemProp:
    requireCount(count == 2, lt::kSystemPropArity);
    return systemProperty(arguments.get(0), arguments.get(1));
  case Function::Classpath:
    return classpath(arguments);
  case Function::IfExists:
    requireCount(count == 2, lt::kIfExistsArity);
    return currentJVMFile_->getValue(arguments.get(0)).isEmpty()
               ? SString()
               : expandJVMValues(arguments.get(1));
  case Function::LauncherFile:
    requireCount(count == 0, lt::kLauncherFileArity);
    return insertLiteral(host_->getLauncherPath());
  case Function::LauncherDir:
    requireCount(count == 0, lt::kLauncherDirArity);
    return insertLiteral(host_->getOriginalLauncherDir());
  case Function::ApplicationArchive: {
    requireCount(count <= 1, lt::kApplicationArchiveArity);
    const SString archive = count == 0 ? host_->getApplicationArchive()
                                       : host_->getApplicationArchive(arguments.get(0));
    return archive.isEmpty() ? SString() : insertLiteral(archive);
  }
  case Function::TempDir: {
    requireCount(count == 0, lt::kTempDirArity);
    SString root = host_->getTempRoot();
    if (root.endsWith("\\"))
      root.erase(root.length() - 1);
    return insertLiteral(root);
  }
  }
  return SString();
}

SString LaunchScript::jvmValue(const char *key) const {
  return currentJVMFile_->getValue(key);
}

SString LaunchScript::systemProperty(const SString &name, const SString &value) {
  return jvmValue(lt::kSystemKey) + name + jvmValue(lt::kSystemSeparatorKey) +
         expandJVMValues(value);
}

SString LaunchScript::runtimeSystemProperties() {
  SString joined;
  forEachLine(sideFilePath(".sp"), [&](const SString &line) {
    const SString::size_type equals = line.find('=');
    if (equals != SString::npos)
      appendJoined(joined, systemProperty(line.substring(0, equals), line.substring(equals + 1)));
  });
  return joined;
}

SString LaunchScript::runtimeJavaArguments() {
  SString joined;
  forEachLine(sideFilePath(".ja"),
              [&](const SString &line) { appendJoined(joined, expandJVMValues(line)); });
  return joined;
}

SString LaunchScript::sideFilePath(const char *suffix) const {
  SString path = host_->getOriginalLauncherName();
  const SString::size_type separator = path.findLastOf("/\\");
  const SString::size_type dot = path.rfind('.');
  // Only a dot in the file name itself starts an extension.
  if (separator != SString::npos && dot != SString::npos && dot > separator)
    path.erase(dot);
  return path + suffix;
}

void LaunchScript::appendClasspathElement(SString &classpath, const SString &element) const {
  if (element.isEmpty())
    return;
  if (!classpath.isEmpty())
    classpath += jvmValue(lt::kClasspathSeparatorKey);
  classpath += element;
}

SString LaunchScript::readClasspathFile(const SString &path, bool warn) const {
  SString entries;
  const bool opened =
      forEachLine(path, [&](const SString &line) { appendClasspathElement(entries, line); });
  if (!opened && warn)
    log(lt::kMissingClasspathFile + path + lt::kMissingClasspathFileEnd, LOG_WARNING);
  return entries;
}

void LaunchScript::appendClasspathOption(SString &classpath, const SString &value, bool useEnv) {
  if (value.isEmpty())
    return;
  if (value.startsWith("@")) {
    appendClasspathElement(classpath, readClasspathFile(value.substring(1), /*warn=*/true));
    return;
  }
  const SString literal = insertLiteral(value);
  appendClasspathElement(classpath, useEnv ? literal : "\"" + literal + "\"");
}

SString LaunchScript::addEmbeddedClasspath(bool quote) {
  StringDeque paths;
  host_->extractClasspathArchives(paths);
  SString elements;
  for (const SString &path : paths) {
    const SString literal = insertLiteral(path);
    appendClasspathElement(elements, quote ? "\"" + literal + "\"" : literal);
  }
  return elements;
}

SString LaunchScript::classpath(const StringDeque &arguments) {
  const bool useEnv = jvmValue(lt::kUseCpEnvVarKey) == "1";
  SString classpath;
  appendClasspathOption(classpath, host_->getClasspathPrepend(), useEnv);
  appendClasspathElement(classpath, readClasspathFile(sideFilePath(".cp1"), /*warn=*/false));
  appendClasspathElement(classpath, jvmValue(lt::kJvmClasspathKey));
  appendClasspathElement(classpath, readClasspathFile(sideFilePath(".cp"), /*warn=*/false));
  // No shell removes quotes from an environment value, so they go here.
  for (const SString &argument : arguments)
    appendClasspathElement(classpath, useEnv ? withoutQuotes(argument) : argument);
  SString archive;
  expandMacros(archive, *this, archive_, '%');
  appendClasspathElement(classpath, useEnv ? withoutQuotes(archive) : archive);
  if (fromTagFile_)
    appendClasspathElement(classpath, addEmbeddedClasspath(/*quote=*/!useEnv));
  appendClasspathElement(classpath, readClasspathFile(sideFilePath(".cp2"), /*warn=*/false));
  appendClasspathOption(classpath, host_->getClasspathAppend(), useEnv);

  if (!useEnv)
    return classpath.isEmpty() ? SString() : jvmValue(lt::kClasspathKey) + classpath;
  const SString variable = jvmValue(lt::kCpEnvVarKey);
  if (variable.isEmpty()) {
    log(lt::kMissingCpEnvVar, LOG_ERROR);
    return SString();
  }
  const SString value = resolveLiterals(classpath, /*forShell=*/false);
  setEnvironment(variable, value);
  log(lt::kSetEnvVar + variable + lt::kSetEnvVarTo + value + "\n");
  return SString();
}
