// SearchReport: every candidate JVM home a search refused, where it came from and why, for
// the block that closes a search without a match in the log.
#pragma once

#include "base/SString.h"

#include <vector>

class SearchReport {
public:
  // Where the candidates refused from now on come from ("PATH", "path hint /opt/java", ...).
  void setSource(const SString &source) { source_ = source; }
  void refused(const SString &home, const SString &jvmDescription, const SString &reason);
  void clear();

  // "No JVM matched. Examined:", then a line per refused candidate in the order examined:
  // its home (control bytes written as \xNN), its source, the JVM file's description and
  // the reason.
  SString describe() const;

private:
  struct Refusal {
    SString home;
    SString source;
    SString jvmDescription;
    SString reason;
  };
  std::vector<Refusal> refusals_;
  SString source_;
};
