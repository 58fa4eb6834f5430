// Makes a file impossible to delete for as long as the object lives, for tests of removal
// failures. Root may delete anything it has permission bits for, so the file is marked
// immutable there; elsewhere its directory loses its write permission.
#pragma once

#include <string>

class Undeletable {
public:
  explicit Undeletable(const std::string &file);
  Undeletable(const Undeletable &) = delete;
  Undeletable &operator=(const Undeletable &) = delete;
  ~Undeletable();

  // False when the file system cannot keep the file (then the test should skip).
  bool holds() const { return holds_; }
  // The system's text for the failure that a deletion of the file meets.
  const std::string &reason() const { return reason_; }

private:
  std::string file_;
  std::string directory_;
  bool immutable_ = false;
  bool holds_ = false;
  std::string reason_;
};
