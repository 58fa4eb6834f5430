// Kernel-side copying of file ranges; falls back to pread/write once the kernel refuses.
#include "payload/FileCopy.h"

#include "native/launcher/linux/Handles.h"

#include <cerrno>
#include <unistd.h>

namespace {
// Errors by which copy_file_range says "not between these files", not "the copy failed".
bool kernelCopyUnsupported(int error) {
  return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP ||
         error == EBADF || error == EPERM || error == ETXTBSY;
}
} // namespace

ssize_t RangeCopier::copyBlock(int in, off_t &inPos, int out, std::size_t n) {
  if (kernelCopy_) {
    const ssize_t copied =
        retryOnEintr([&] { return ::copy_file_range(in, &inPos, out, nullptr, n, 0); });
    if (copied >= 0 || !kernelCopyUnsupported(errno))
      return copied;
    kernelCopy_ = false;
  }
  return copyWithBuffer(in, inPos, out, n);
}

ssize_t RangeCopier::copyWithBuffer(int in, off_t &inPos, int out, std::size_t n) {
  if (buffer_.size() < n)
    buffer_.resize(n);
  const ssize_t got = retryOnEintr([&] { return ::pread(in, buffer_.data(), n, inPos); });
  if (got <= 0)
    return got;
  const auto total = static_cast<std::size_t>(got);
  std::size_t written = 0;
  while (written < total) {
    const ssize_t put =
        retryOnEintr([&] { return ::write(out, buffer_.data() + written, total - written); });
    if (put < 0)
      return -1;
    if (put == 0) {
      errno = ENOSPC;
      return -1;
    }
    written += static_cast<std::size_t>(put);
  }
  inPos += got;
  return got;
}
