// Writing launcher files: every embedded file streams straight from its source, so the
// writer's memory does not grow with the payload.
#include "payload/LauncherFileWriter.h"

#include "base/LauncherException.h"
#include "base/TextFunctions.h"
#include "native/launcher/linux/Handles.h"
#include "native/launcher/linux/SystemError.h"
#include "payload/FileCopy.h"
#include "payload/PayloadTexts.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace {
constexpr std::uint64_t kMaxPosition = 0xFFFFFFFFu;
constexpr std::size_t kWriteBlockSize = std::size_t{1} << 20;

[[noreturn]] void raiseWriteError() {
  throw LauncherException(systemErrorMessage(payloadtext::kCannotWrite));
}

void writeAll(int fd, const std::string &bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t put =
        retryOnEintr([&] { return ::write(fd, bytes.data() + written, bytes.size() - written); });
    if (put < 0)
      raiseWriteError();
    if (put == 0) {
      errno = ENOSPC;
      raiseWriteError();
    }
    written += static_cast<std::size_t>(put);
  }
}

UniqueFd openSource(const SString &path) {
  UniqueFd fd(retryOnEintr([&] { return ::open(path.cStr(), O_RDONLY | O_CLOEXEC); }));
  struct stat status {};
  if (fd && ::fstat(fd.get(), &status) == 0 && S_ISDIR(status.st_mode)) {
    fd.reset();
    errno = EISDIR;
  }
  if (!fd)
    throw LauncherException(payloadtext::kCannotReadSource + path + ": " + systemErrorText(errno));
  return fd;
}

// Copies the whole source to fd; returns the bytes copied.
std::uint64_t copySource(const SString &path, int fd) {
  UniqueFd in = openSource(path);
  RangeCopier copier;
  off_t position = 0;
  for (;;) {
    const ssize_t copied = copier.copyBlock(in.get(), position, fd, kWriteBlockSize);
    if (copied == 0)
      return static_cast<std::uint64_t>(position);
    if (copied < 0)
      raiseWriteError();
  }
}

// The size an entry will take in the launcher file; 0 when its source cannot be read.
std::uint64_t entrySize(const EmbeddedFile &file) {
  if (file.sourcePath.isEmpty())
    return file.content.size();
  struct stat status {};
  return ::stat(file.sourcePath.cStr(), &status) == 0 ? static_cast<std::uint64_t>(status.st_size)
                                                      : 0;
}

void checkPosition(std::uint64_t position, const SString &what) {
  if (position > kMaxPosition)
    throw LauncherException(payloadtext::kTooLarge + what);
}
} // namespace

void LauncherFileWriter::setStub(std::string bytes) {
  stub_ = std::move(bytes);
  stubPath_ = SString();
}

void LauncherFileWriter::setStubFile(const SString &path) {
  stub_.clear();
  stubPath_ = path;
}

void LauncherFileWriter::validate() const {
  if (!stubPath_.isEmpty())
    openSource(stubPath_);
  for (const EmbeddedFile &file : files_) {
    if (launcherformat::fileTypeName(file.type) == nullptr)
      throw LauncherException(payloadtext::kInvalidTypeForWriter + formatLong(file.type));
    if (file.name.find('\n') != SString::npos || file.name.find('\0') != SString::npos)
      throw LauncherException(payloadtext::kNameHasLineFeedOrNul + file.name);
    if (file.name.length() > launcherformat::kMaxNameLength)
      throw LauncherException(payloadtext::kNameTooLong + SString(file.name, 0, 40) + "...");
    if (!file.sourcePath.isEmpty())
      openSource(file.sourcePath);
  }
}

void LauncherFileWriter::write(int fd) const {
  validate();
  std::uint64_t position = 0;
  if (stubPath_.isEmpty()) {
    writeAll(fd, stub_);
    position = stub_.size();
  } else {
    position = copySource(stubPath_, fd);
  }

  std::string index;
  launcherformat::appendU32(index, static_cast<std::uint32_t>(files_.size()));
  for (const EmbeddedFile &file : files_) {
    if (alignment_ > 1 && entrySize(file) > alignment_ && position % alignment_ != 0) {
      const std::string gap(alignment_ - position % alignment_, '\0');
      writeAll(fd, gap);
      position += gap.size();
    }
    const auto offset = position;
    checkPosition(offset, file.name);
    if (file.sourcePath.isEmpty()) {
      writeAll(fd, file.content);
      position += file.content.size();
    } else {
      position += copySource(file.sourcePath, fd);
    }
    checkPosition(position, file.name);
    launcherformat::IndexRecord record;
    record.type = file.type;
    record.id = file.id;
    record.length = static_cast<std::uint32_t>(position - offset);
    record.offset = static_cast<std::uint32_t>(offset);
    record.name = file.name.str();
    record.compressed = file.compressed;
    record.decompressedFileCount = file.decompressedFileCount;
    record.decompressedSize = file.decompressedSize;
    launcherformat::appendIndexRecord(index, record);
  }
  checkPosition(position, "the file index");
  launcherformat::appendTrailer(index, launcherType_, static_cast<std::uint32_t>(position));
  writeAll(fd, index);
}
