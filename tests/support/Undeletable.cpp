// Files that resist deletion, for tests of removal failures.
#include "tests/support/Undeletable.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Sets or clears the immutable flag of path; false when the file system refuses.
bool setImmutable(const std::string &path, bool on) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0)
    return false;
  int flags = 0;
  bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (done) {
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  ::close(fd);
  return done;
}
} // namespace

Undeletable::Undeletable(const std::string &file) : file_(file) {
  const std::size_t slash = file.rfind('/');
  directory_ = slash == std::string::npos ? "." : file.substr(0, slash);
  if (::geteuid() == 0) {
    immutable_ = setImmutable(file_, true);
    holds_ = immutable_;
    reason_ = std::strerror(EPERM);
  } else {
    holds_ = ::chmod(directory_.c_str(), 0555) == 0;
    reason_ = std::strerror(EACCES);
  }
}

Undeletable::~Undeletable() {
  if (immutable_)
    setImmutable(file_, false);
  else if (holds_)
    ::chmod(directory_.c_str(), 0755);
}
