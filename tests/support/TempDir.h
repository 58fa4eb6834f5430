// A scoped temporary directory for tests, removed with its contents when it goes.
#pragma once

#include <string>

class TempDir {
public:
  // Below TMPDIR, or /tmp.
  TempDir();
  // Below base.
  static TempDir in(const std::string &base);
  TempDir(TempDir &&other) noexcept;
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;
  ~TempDir();

  const std::string &path() const { return path_; }
  // path() + "/" + name
  std::string file(const std::string &name) const { return path_ + "/" + name; }

private:
  std::string path_;
};

// Whole-file helpers for tests.
std::string readFile(const std::string &path);
void writeFile(const std::string &path, const std::string &content);
