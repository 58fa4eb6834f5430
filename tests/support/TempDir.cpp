// Scoped temporary directories for tests.
#include "tests/support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace {
std::string makeTemporaryDirectory(const std::string &base) {
  std::string pattern = base + "/qgtest-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!::mkdtemp(buffer.data()))
    throw std::runtime_error("mkdtemp failed");
  return buffer.data();
}
} // namespace

TempDir::TempDir() {
  const char *base = std::getenv("TMPDIR");
  path_ = makeTemporaryDirectory(base && *base ? base : "/tmp");
}

TempDir TempDir::in(const std::string &base) {
  TempDir dir;
  std::filesystem::remove(dir.path_);
  dir.path_ = makeTemporaryDirectory(base);
  return dir;
}

TempDir::TempDir(TempDir &&other) noexcept : path_(std::move(other.path_)) {
  other.path_.clear();
}

TempDir::~TempDir() {
  if (path_.empty())
    return;
  std::error_code ignored;
  // Make everything writable first so that tests which removed permissions clean up too.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::string readFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void writeFile(const std::string &path, const std::string &content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}
