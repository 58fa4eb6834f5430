// JVMFile: the keys of a JVM description file and its "@" references.
#include "jvm/JVMFile.h"

#include "jvm/JVMTexts.h"
#include "launchscript/JVMValues.h"

SString JVMFile::getDescription() const {
  return tagFile_->getValue(jvmtext::kDescKey);
}

SString JVMFile::getExe() const {
  return tagFile_->getValue(jvmtext::kJvmExeKey);
}

bool JVMFile::isSearchAll() const {
  return tagFile_->getBoolean(jvmtext::kSearchAllKey, false);
}

void JVMFile::expandMacro(SString &text, char, SString::size_type start, SString::size_type &end) {
  const SString name = text.substring(start + 1, end - start - 1);
  text.replace(start, end - start + 1, jvmFileValue(*tagFile_, name));
}

SString JVMFile::expandMacros(const SString &text) {
  SString expanded;
  ::expandMacros(expanded, *this, text, '@');
  return expanded;
}
