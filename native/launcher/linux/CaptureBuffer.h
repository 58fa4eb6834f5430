// CaptureBuffer: memory for what a child writes while the launcher captures it. It grows
// in place where it can (no copy of what it holds) and asks for huge pages, so that keeping
// hundreds of megabytes costs little more than reading them.
#pragma once

#include "base/SString.h"

#include <cstddef>
#include <string_view>

class CaptureBuffer {
public:
  CaptureBuffer() = default;
  CaptureBuffer(const CaptureBuffer &) = delete;
  CaptureBuffer &operator=(const CaptureBuffer &) = delete;
  CaptureBuffer(CaptureBuffer &&other) noexcept;
  CaptureBuffer &operator=(CaptureBuffer &&other) noexcept;
  ~CaptureBuffer();

  // Room for at least n more bytes at the end; null when no memory is left.
  char *reserveTail(std::size_t n);
  // Counts n bytes written into the room reserveTail gave.
  void commitTail(std::size_t n) { size_ += n; }
  std::string_view view() const { return {data_, size_}; }
  std::size_t size() const { return size_; }

  // Appends everything to text, whose new room gets the same page treatment.
  void appendTo(SString &text) const;

private:
  void release();

  char *data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};
