// CaptureBuffer: anonymous memory grown with mremap, advised for huge pages.
#include "native/launcher/linux/CaptureBuffer.h"

#include <algorithm>
#include <cstdint>
#include <sys/mman.h>
#include <utility>

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kFirstCapacity = std::size_t{1} << 20;

// Asks for huge pages for the whole 2 MiB pages inside [begin, begin + length); the kernel
// may say no, which only costs speed.
void adviseHugePages(const void *begin, std::size_t length) {
  const auto start = reinterpret_cast<std::uintptr_t>(begin);
  const std::uintptr_t first = (start + kHugePage - 1) & ~std::uintptr_t{kHugePage - 1};
  const std::uintptr_t end = start + length;
  if (end > first + kHugePage)
    ::madvise(reinterpret_cast<void *>(first), (end - first) & ~std::uintptr_t{kHugePage - 1},
              MADV_HUGEPAGE);
}
} // namespace

CaptureBuffer::CaptureBuffer(CaptureBuffer &&other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

CaptureBuffer &CaptureBuffer::operator=(CaptureBuffer &&other) noexcept {
  if (this != &other) {
    release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

CaptureBuffer::~CaptureBuffer() {
  release();
}

void CaptureBuffer::release() {
  if (data_)
    ::munmap(data_, capacity_);
  data_ = nullptr;
  size_ = capacity_ = 0;
}

char *CaptureBuffer::reserveTail(std::size_t n) {
  if (capacity_ - size_ >= n)
    return data_ + size_;
  const std::size_t wanted = std::max({kFirstCapacity, capacity_ * 2, size_ + n});
  void *grown =
      data_ ? ::mremap(data_, capacity_, wanted, MREMAP_MAYMOVE)
            : ::mmap(nullptr, wanted, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (grown == MAP_FAILED)
    return nullptr;
  data_ = static_cast<char *>(grown);
  capacity_ = wanted;
  adviseHugePages(data_ + size_, capacity_ - size_);
  return data_ + size_;
}

void CaptureBuffer::appendTo(SString &text) const {
  if (size_ == 0)
    return;
  text.reserve(static_cast<SString::size_type>(text.length() + size_));
  adviseHugePages(text.cStr() + text.length(), size_);
  text.append(view());
}
