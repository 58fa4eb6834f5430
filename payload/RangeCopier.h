// RangeCopier: copies byte ranges between open files inside the kernel, with a plain
// read/write fallback where the file systems cannot do that.
#pragma once

#include <cstddef>
#include <sys/types.h>
#include <vector>

class RangeCopier {
public:
  // Copies at most n bytes from in at position inPos (advanced by the bytes copied) to out
  // at out's current file position. Returns the bytes copied, 0 at the end of in, or -1
  // with errno set. Bytes read are all written unless an error occurs.
  ssize_t copyBlock(int in, off_t &inPos, int out, std::size_t n);
  // Copies everything from inPos to the end of in; 0, or the errno of the failure.
  int copyToEnd(int in, off_t &inPos, int out);

private:
  ssize_t copyWithBuffer(int in, off_t &inPos, int out, std::size_t n);

  bool kernelCopy_ = true;
  std::vector<char> buffer_;
};
