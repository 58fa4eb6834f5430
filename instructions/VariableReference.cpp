// VariableReference: parsing, reading and assigning a script variable.
#include "instructions/VariableReference.h"

#include "base/LauncherException.h"
#include "base/TextFunctions.h"
#include "instructions/InstructionHost.h"
#include "instructions/InstructionTexts.h"
#include "instructions/ScriptNumbers.h"

#include <cctype>

namespace {
constexpr long kNumericVariableCount = 5;
constexpr long kStringVariableCount = 10;

[[noreturn]] void fail(const SString &context, const SString &detail) {
  throw LauncherException(context + " " + detail);
}
} // namespace

VariableReference VariableReference::parse(InstructionHost &host, const SString &text,
                                           const SString &context) {
  if (text.length() < 2)
    fail(context, instructiontext::kReferenceTooShort);
  const char type = static_cast<char>(std::toupper(static_cast<unsigned char>(text.charAt(0))));
  if (type != 'N' && type != 'S')
    fail(context, instructiontext::kInvalidReferencePrefix + text +
                      instructiontext::kInvalidReferenceSuffix);
  const SString rest = text.substring(1);
  // Compared as long before narrowing, so a number such as 99999999999 cannot wrap into range.
  long number = 0;
  const long count = type == 'N' ? kNumericVariableCount : kStringVariableCount;
  if (!rest.toLong(number) || number < 1 || number > count)
    fail(context, instructiontext::kInvalidVariableNumber + rest + ")");
  return VariableReference(host, type, static_cast<int>(number));
}

SString VariableReference::getValueText() const {
  if (isNumeric())
    return formatLong(host_->getNumericVariable(number_));
  return host_->getStringVariable(number_);
}

void VariableReference::assign(const SString &value, const SString &context) const {
  if (isString()) {
    host_->setStringVariable(number_, value);
    return;
  }
  int number = 0;
  if (!scriptnumbers::readInRange(value, number))
    fail(context, instructiontext::kInvalidNumericAssignment + value);
  host_->setNumericVariable(number_, number);
}
