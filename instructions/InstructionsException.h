// InstructionsException: the error of one script line, with that line's number.
#pragma once

#include "base/SString.h"

#include <utility>

// Not a LauncherException: the launcher run turns it into its "Error in instructions. "
// report, so that the line number reaches the user.
class InstructionsException {
public:
  InstructionsException(SString message, int lineNumber)
      : message_(std::move(message)), lineNumber_(lineNumber) {}
  InstructionsException(const InstructionsException &) = default;
  InstructionsException &operator=(const InstructionsException &) = default;
  virtual ~InstructionsException() = default;

  const SString &getMessage() const { return message_; }
  // Counted from 1.
  int getLineNumber() const { return lineNumber_; }

private:
  SString message_;
  int lineNumber_;
};
