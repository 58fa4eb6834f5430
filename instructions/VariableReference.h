// VariableReference: a parsed name of one script variable, S1..S10 or N1..N5.
#pragma once

#include "base/SString.h"

class InstructionHost;

class VariableReference {
public:
  // Reads text such as "N1" or "s10": the first character (either case) is the type, the
  // rest a number read as "%ld" (so N01 and N1x both name N1). Raises LauncherException
  // with context + " " + the detail when text is shorter than 2 characters, the type is not
  // N or S, or the number is not 1..5 (N) or 1..10 (S).
  static VariableReference parse(InstructionHost &host, const SString &text,
                                 const SString &context);

  bool isNumeric() const { return type_ == 'N'; }
  bool isString() const { return type_ == 'S'; }
  char getType() const { return type_; }
  int getNumber() const { return number_; }

  // The number in decimal ("%ld") or the string unchanged.
  SString getValueText() const;
  // Stores value in an S variable unchanged; for an N variable value must read as a 32-bit
  // "%ld" number, else LauncherException context + " Invalid numeric expression in " + value.
  void assign(const SString &value, const SString &context) const;

private:
  VariableReference(InstructionHost &host, char type, int number)
      : host_(&host), type_(type), number_(number) {}

  InstructionHost *host_;
  char type_;
  int number_;
};
