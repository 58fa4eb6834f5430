// The value of an "@" reference to a JVM file.
#pragma once

#include "base/SString.h"
#include "tagfile/TagFile.h"

// The first value of the key name in the JVM file, empty when the key is absent; the value
// of JVM_HOME loses one trailing backslash.
inline SString jvmFileValue(const TagFile &jvmFile, const SString &name) {
  SString value = jvmFile.getValue(name);
  if (name == "JVM_HOME" && value.endsWith("\\"))
    value.erase(value.length() - 1);
  return value;
}
