// RangeCopier: kernel-side copying of file ranges; falls back to pread/write once the kernel
// refuses.
#include "payload/RangeCopier.h"

#include "base/Handles.h"

#include <cerrno>
#include <unistd.h>

namespace {
// Large enough that the calls cost nothing beside the copy.
constexpr std::size_t kWholeFileBlock = std::size_t{1} << 20;

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

int RangeCopier::copyToEnd(int in, off_t &inPos, int out) {
  for (;;) {
    const ssize_t copied = copyBlock(in, inPos, out, kWholeFileBlock);
    if (copied == 0)
      return 0;
    if (copied < 0)
      return errno;
  }
}

ssize_t RangeCopier::copyWithBuffer(int in, off_t &inPos, int out, std::size_t n) {
  if (buffer_.size() < n)
    buffer_.resize(n);
  const ssize_t got = retryOnEintr([&] { return ::pread(in, buffer_.data(), n, inPos); });
  if (got <= 0)
    return got;
  if (!writeAll(out, std::string_view(buffer_.data(), static_cast<std::size_t>(got))))
    return -1;
  inPos += got;
  return got;
}
