// File and environment helpers of the platform layer.
#include "native/launcher/linux/FileSystem.h"

#include "base/LauncherException.h"
#include "base/Log.h"
#include "base/SystemError.h"
#include "native/launcher/linux/FileNavigator.h"
#include "native/launcher/linux/Platform.h"
#include "native/launcher/linux/PlatformTexts.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace {

// The directory bit of a mode. Block devices and sockets share it; opening them as
// directories fails later and they are passed over.
constexpr mode_t kDirectoryBit = 0x4000;

// Enough tries that a collision can only mean something is filling the directory on
// purpose; then the last error stands.
constexpr int kMaxNameTries = 10000;

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
  // A link is removed as itself, whatever it points at: following it would leave the link
  // behind (and with it the tree it sits in) when it points at a directory.
  struct stat status {};
  if (::lstat(path.cStr(), &status) != 0)
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

SString randomNameSuffix() {
  static constexpr char letters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static std::mt19937_64 generator{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof letters - 2);
  SString suffix;
  for (int i = 0; i < 6; ++i)
    suffix += letters[pick(generator)];
  return suffix;
}

CreatedFile createUniqueFile(const SString &prefix, mode_t mode) {
  CreatedFile created;
  for (int attempt = 0; attempt < kMaxNameTries; ++attempt) {
    created.path = prefix + randomNameSuffix();
    created.fd.reset(retryOnEintr([&] {
      return ::open(created.path.cStr(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    }));
    if (created.fd || errno != EEXIST)
      break;
  }
  return created;
}

ReplacementFile::~ReplacementFile() {
  discard();
}

void ReplacementFile::discard() {
  fd_.reset();
  if (!temporary_.isEmpty())
    ::unlink(temporary_.cStr());
  temporary_ = SString();
}

int ReplacementFile::create(const SString &target, mode_t mode) {
  discard();
  struct stat status {};
  if (::lstat(target.cStr(), &status) == 0 && S_ISDIR(status.st_mode))
    return EISDIR;
  target_ = target;
  const SString::size_type slash = target.rfind('/');
  const SString directory = slash == SString::npos ? SString() : target.substring(0, slash + 1);
  const SString base = slash == SString::npos ? target : target.substring(slash + 1);
  // Hidden, and marked as the launcher's, so that a leftover is recognised for what it is.
  CreatedFile created = createUniqueFile(directory + "." + base + ".qgj", mode);
  if (!created.fd)
    return errno;
  temporary_ = created.path;
  fd_ = std::move(created.fd);
  return 0;
}

int ReplacementFile::makeExecutable() {
  struct stat status {};
  if (::fstat(fd_.get(), &status) != 0 || ::fchmod(fd_.get(), (status.st_mode & 07777) | 0111) != 0)
    return errno;
  return 0;
}

int ReplacementFile::commit() {
  int error = ::close(fd_.release()) == 0 ? 0 : errno;
  if (error == 0 && ::rename(temporary_.cStr(), target_.cStr()) != 0)
    error = errno;
  if (error == 0)
    temporary_ = SString();
  discard();
  return error;
}

SString resolveRunningExecutable(const SString &named) {
  static constexpr const char *kSelf = "/proc/self/exe";
  // Through a descriptor: under a user-mode emulator (qemu-user) /proc/self/exe stats as the
  // emulator, while opening it opens the program that the emulator runs.
  const UniqueFd selfFd(retryOnEintr([] { return ::open(kSelf, O_RDONLY | O_CLOEXEC); }));
  struct stat self {};
  if (!selfFd || ::fstat(selfFd.get(), &self) != 0)
    return named;
  struct stat candidate {};
  if (::stat(named.cStr(), &candidate) == 0 && candidate.st_dev == self.st_dev &&
      candidate.st_ino == self.st_ino)
    return named;
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = ::readlink(kSelf, buffer.data(), buffer.size());
    if (n < 0)
      return named;
    if (static_cast<std::size_t>(n) < buffer.size())
      return SString(buffer.data(), static_cast<SString::size_type>(n));
    buffer.resize(buffer.size() * 2);
  }
}

bool allowsPrograms(const SString &directory) {
  struct statvfs stats {};
  return ::statvfs(directory.cStr(), &stats) != 0 || (stats.f_flag & ST_NOEXEC) == 0;
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
  platform().getSearchRoots(list);
}

SString getPathSeparator() {
  return SString("/");
}
