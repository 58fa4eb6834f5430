// File and environment helpers of the platform layer.
#include "native/launcher/linux/FileSystem.h"

#include "base/LauncherException.h"
#include "launcher/Log.h"
#include "native/launcher/linux/FileNavigator.h"
#include "native/launcher/linux/PlatformTexts.h"
#include "native/launcher/linux/SystemError.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace {

// The directory bit of a mode. Block devices and sockets share it; opening them as
// directories fails later and they are passed over.
constexpr mode_t kDirectoryBit = 0x4000;

} // namespace

bool pathExists(const SString &path) {
  struct stat status {};
  return ::stat(path.cStr(), &status) == 0;
}

bool isDirectoryEntry(const SString &path) {
  struct stat status {};
  return ::lstat(path.cStr(), &status) == 0 && (status.st_mode & kDirectoryBit) != 0;
}

bool isDirectory(const SString &path) {
  struct stat status {};
  return ::stat(path.cStr(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool removePath(const SString &path) {
  struct stat status {};
  if (::stat(path.cStr(), &status) != 0)
    return false;
  const int result = S_ISDIR(status.st_mode) ? ::rmdir(path.cStr()) : ::unlink(path.cStr());
  if (result == 0)
    return true;
  const SString reason = systemErrorMessage(platformtext::kCouldNotDeleteSeparator);
  log(platformtext::kCouldNotDelete + path + reason, LOG_WARNING);
  return false;
}

void removeTree(const SString &path) {
  if (!isDirectoryEntry(path)) {
    removePath(path);
    return;
  }
  DeleteFullDir remover;
  remover.walk(path);
}

void makeExecutable(const SString &path) {
  struct stat status {};
  if (::stat(path.cStr(), &status) == 0)
    ::chmod(path.cStr(), (status.st_mode & 07777) | 0111);
}

bool fitsInFreeSpace(std::uint64_t fragmentSize, std::uint64_t availableFragments,
                     std::uint64_t bytes, std::uint64_t files) {
  // Floating point keeps the product of two large counts from wrapping around.
  const double fragment = static_cast<double>(fragmentSize == 0 ? 1 : fragmentSize);
  double blocks = std::trunc(static_cast<double>(bytes) / fragment);
  if (files == 1 && bytes % static_cast<std::uint64_t>(fragment) != 0)
    blocks += 1;
  else if (files > 1)
    blocks += static_cast<double>(files);
  return blocks * fragment <= fragment * static_cast<double>(availableFragments);
}

bool hasFreeSpace(const SString &directory, std::uint64_t bytes, std::uint64_t files) {
  const char *checked = !directory.isEmpty() && directory.startsWith("/") ? directory.cStr() : ".";
  struct statvfs stats {};
  if (::statvfs(checked, &stats) != 0)
    throw LauncherException(systemErrorMessage(""));
  const std::uint64_t fragment = stats.f_frsize != 0 ? stats.f_frsize : stats.f_bsize;
  return fitsInFreeSpace(fragment, stats.f_bavail, bytes, files);
}

void removeLauncherFile(const SString &launcherPath) {
  ::unlink(launcherPath.cStr());
  const SString::size_type slash = launcherPath.rfind('/');
  if (slash != SString::npos && slash > 0)
    ::rmdir(launcherPath.substring(0, slash).cStr());
}

SString getCurrentDirectory() {
  std::vector<char> buffer(256);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE)
      throw LauncherException(systemErrorMessage(platformtext::kCurrentDirectoryUnreadable));
    buffer.resize(buffer.size() * 2);
  }
  return SString(buffer.data());
}

SString getEnvironment(const SString &name) {
  return SString(std::getenv(name.cStr()));
}

void setEnvironment(const SString &name, const SString &value) {
  // setenv copies both texts, so nothing has to be kept alive for the environment.
  ::setenv(name.cStr(), value.cStr(), 1);
}

void getEnvironmentList(StringDeque &list, const SString &variable) {
  list.clear();
  if (variable.isEmpty())
    return;
  const SString value = getEnvironment(variable);
  if (value.isEmpty())
    return;
  SString::size_type start = 0;
  for (;;) {
    const SString::size_type colon = value.find(':', start);
    if (colon == SString::npos) {
      list.add(value.substring(start));
      return;
    }
    list.add(value.substring(start, colon - start));
    start = colon + 1;
  }
}

void getPathList(StringDeque &list) {
  getEnvironmentList(list, "PATH");
}

void getSearchRoots(StringDeque &list) {
  list.add(getPathSeparator());
}

SString getPathSeparator() {
  return SString("/");
}
