// LauncherException: the error that crosses subsystem borders, carrying the user's text.
#pragma once

#include "base/SString.h"

#include <utility>

// Raised by value, caught by reference. A layer that adds context builds a new
// exception with its own text directly in front of the caught text.
class LauncherException {
public:
  explicit LauncherException(SString message) : message_(std::move(message)) {}
  LauncherException(const LauncherException &) = default;
  LauncherException &operator=(const LauncherException &) = default;
  virtual ~LauncherException() = default;

  const SString &getMessage() const { return message_; }

private:
  SString message_;
};
