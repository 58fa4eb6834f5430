// Move-only owners of the system's handles: a file descriptor, a FILE*, a DIR* and a pipe.
#pragma once

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <string_view>
#include <unistd.h>
#include <utility>

// Retries a system call for as long as it fails with EINTR.
template <class Call> auto retryOnEintr(Call call) {
  decltype(call()) result;
  do {
    result = call();
  } while (result == -1 && errno == EINTR);
  return result;
}

// Writes all of bytes to fd, going on after short writes. False with errno set when a write
// fails; a write that stores nothing counts as a full disk (ENOSPC).
inline bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = retryOnEintr([&] { return ::write(fd, bytes.data(), bytes.size()); });
    if (put < 0)
      return false;
    if (put == 0) {
      errno = ENOSPC;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

class UniqueFd {
public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd &&other) noexcept : fd_(other.release()) {}
  UniqueFd &operator=(UniqueFd &&other) noexcept {
    reset(other.release());
    return *this;
  }
  UniqueFd(const UniqueFd &) = delete;
  UniqueFd &operator=(const UniqueFd &) = delete;
  ~UniqueFd() { reset(); }

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  int release() { return std::exchange(fd_, -1); }
  void reset(int fd = -1) {
    if (fd_ >= 0)
      ::close(fd_);
    fd_ = fd;
  }

private:
  int fd_ = -1;
};

class UniqueFile {
public:
  UniqueFile() = default;
  explicit UniqueFile(std::FILE *file) : file_(file) {}
  UniqueFile(UniqueFile &&other) noexcept : file_(std::exchange(other.file_, nullptr)) {}
  UniqueFile &operator=(UniqueFile &&other) noexcept {
    reset(std::exchange(other.file_, nullptr));
    return *this;
  }
  UniqueFile(const UniqueFile &) = delete;
  UniqueFile &operator=(const UniqueFile &) = delete;
  ~UniqueFile() { reset(); }

  std::FILE *get() const { return file_; }
  explicit operator bool() const { return file_ != nullptr; }
  // Closes the stream; returns fclose's result (0, or EOF when flushing failed).
  int close() { return file_ ? std::fclose(std::exchange(file_, nullptr)) : 0; }
  void reset(std::FILE *file = nullptr) {
    close();
    file_ = file;
  }

private:
  std::FILE *file_ = nullptr;
};

class UniqueDir {
public:
  UniqueDir() = default;
  explicit UniqueDir(DIR *dir) : dir_(dir) {}
  UniqueDir(UniqueDir &&other) noexcept : dir_(std::exchange(other.dir_, nullptr)) {}
  UniqueDir &operator=(UniqueDir &&other) noexcept {
    reset(std::exchange(other.dir_, nullptr));
    return *this;
  }
  UniqueDir(const UniqueDir &) = delete;
  UniqueDir &operator=(const UniqueDir &) = delete;
  ~UniqueDir() { reset(); }

  DIR *get() const { return dir_; }
  explicit operator bool() const { return dir_ != nullptr; }
  void reset(DIR *dir = nullptr) {
    if (dir_)
      ::closedir(dir_);
    dir_ = dir;
  }

private:
  DIR *dir_ = nullptr;
};

// Both ends of a pipe; either end can be closed or taken on its own.
struct Pipe {
  UniqueFd readEnd;
  UniqueFd writeEnd;
};
