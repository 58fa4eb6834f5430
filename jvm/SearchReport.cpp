// SearchReport: the record of the refused candidates and its text.
#include "jvm/SearchReport.h"

#include "jvm/JVMTexts.h"
#include "native/launcher/linux/Console.h"

namespace jt = jvmtext;

void SearchReport::refused(const SString &home, const SString &jvmDescription,
                           const SString &reason) {
  refusals_.push_back({home, source_, jvmDescription, reason});
}

void SearchReport::clear() {
  refusals_.clear();
  source_ = SString();
}

SString SearchReport::describe() const {
  SString text = jt::kReportHeading;
  if (refusals_.empty())
    text += SString("\n") + jt::kReportNothing;
  for (const Refusal &refusal : refusals_)
    text += "\n  " + escapeControlBytes(refusal.home) + " (" + escapeControlBytes(refusal.source) +
            ")" + jt::kReportFor + refusal.jvmDescription + ": " +
            escapeControlBytes(refusal.reason);
  return text;
}
