// Writing launcher files: every embedded file streams straight from its source, so the
// writer's memory does not grow with the payload.
#include "payload/LauncherFileWriter.h"

#include "base/Handles.h"
#include "base/LauncherException.h"
#include "base/SystemError.h"
#include "base/TextFunctions.h"
#include "payload/IntegrityRecord.h"
#include "payload/PayloadTexts.h"
#include "payload/RangeCopier.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace {
constexpr std::uint64_t kMaxPosition = 0xFFFFFFFFu;

[[noreturn]] void raiseWriteError() {
  throw LauncherException(systemErrorMessage(payloadtext::kCannotWrite));
}

void writeBytes(int fd, std::string_view bytes) {
  if (!writeAll(fd, bytes))
    raiseWriteError();
}

// Only regular files: a device or a FIFO has no size to check against the 4 GiB limit,
// and /dev/zero would write until the disk is full.
UniqueFd openSource(const SString &path, std::uint64_t *size = nullptr) {
  // Non-blocking, so that opening a FIFO cannot wait for a writer; regular files read alike.
  UniqueFd fd(retryOnEintr([&] { return ::open(path.cStr(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); }));
  if (!fd)
    throw LauncherException(payloadtext::kCannotReadSource + path + ": " + systemErrorText(errno));
  struct stat status {};
  if (::fstat(fd.get(), &status) != 0)
    throw LauncherException(payloadtext::kCannotReadSource + path + ": " + systemErrorText(errno));
  if (!S_ISREG(status.st_mode))
    throw LauncherException(payloadtext::kCannotReadSource + path + payloadtext::kNotARegularFile);
  if (size)
    *size = static_cast<std::uint64_t>(status.st_size);
  return fd;
}

// Copies the whole source to fd; it must still have the size it had when it was planned.
void copySource(const SString &path, std::uint64_t plannedSize, int fd) {
  UniqueFd in = openSource(path);
  RangeCopier copier;
  off_t position = 0;
  if (const int error = copier.copyToEnd(in.get(), position, fd); error != 0) {
    errno = error;
    raiseWriteError();
  }
  if (static_cast<std::uint64_t>(position) != plannedSize)
    throw LauncherException(path + payloadtext::kChangedWhilePacking);
}

// The digest of a source file of the planned size.
Digest sourceDigest(const SString &path, std::uint64_t plannedSize) {
  UniqueFd in = openSource(path);
  const std::optional<Digest> digest = digestOf(in.get(), 0, plannedSize);
  if (!digest)
    throw LauncherException(path + payloadtext::kChangedWhilePacking);
  return *digest;
}

void checkPosition(std::uint64_t position, const SString &what) {
  if (position > kMaxPosition)
    throw LauncherException(payloadtext::kTooLarge + what);
}

// A name as an error message shows it: a very long one is cut.
SString shownName(const SString &name) {
  return name.length() > 40 ? SString(name, 0, 40) + "..." : name;
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

LauncherFileWriter::Layout LauncherFileWriter::plan() const {
  Layout layout;
  layout.stubSize = stub_.size();
  if (!stubPath_.isEmpty())
    openSource(stubPath_, &layout.stubSize);
  std::uint64_t position = layout.stubSize;
  for (const EmbeddedFile &file : files_) {
    if (launcherformat::fileTypeName(file.type) == nullptr)
      throw LauncherException(payloadtext::kInvalidTypeForWriter + formatLong(file.type));
    if (file.name.length() > launcherformat::kMaxNameLength)
      throw LauncherException(payloadtext::kNameTooLong + shownName(file.name));
    if (!launcherformat::isValidEntryName(file.name.view()))
      throw LauncherException(payloadtext::kInvalidEmbeddedName + file.name);
    std::uint64_t size = file.content.size();
    if (!file.sourcePath.isEmpty())
      openSource(file.sourcePath, &size);
    if (alignment_ > 1 && size > alignment_ && position % alignment_ != 0)
      position += alignment_ - position % alignment_;
    checkPosition(position, file.name);
    layout.offsets.push_back(position);
    layout.sizes.push_back(size);
    position += size;
    checkPosition(position, file.name);
  }
  checkPosition(position, "the file index");
  layout.indexOffset = position;
  return layout;
}

void LauncherFileWriter::validate() const {
  plan();
}

void LauncherFileWriter::write(int fd) const {
  const Layout layout = plan();
  if (stubPath_.isEmpty())
    writeBytes(fd, stub_);
  else
    copySource(stubPath_, layout.stubSize, fd);

  std::uint64_t position = layout.stubSize;
  std::string index;
  launcherformat::appendU32(index, static_cast<std::uint32_t>(files_.size()));
  IntegrityRecord integrity;
  for (std::size_t i = 0; i < files_.size(); ++i) {
    const EmbeddedFile &file = files_[i];
    const std::uint64_t offset = layout.offsets[i];
    // Zero bytes up to an aligned start.
    writeBytes(fd, std::string(offset - position, '\0'));
    if (file.sourcePath.isEmpty()) {
      writeBytes(fd, file.content);
      integrity.entryDigests.push_back(digestOf(file.content));
    } else {
      copySource(file.sourcePath, layout.sizes[i], fd);
      if (integrityRecord_)
        integrity.entryDigests.push_back(sourceDigest(file.sourcePath, layout.sizes[i]));
    }
    position = offset + layout.sizes[i];

    launcherformat::IndexRecord record;
    record.type = file.type;
    record.id = file.id;
    record.length = static_cast<std::uint32_t>(layout.sizes[i]);
    record.offset = static_cast<std::uint32_t>(offset);
    record.name = file.name.str();
    record.compressed = file.compressed;
    record.decompressedFileCount = file.decompressedFileCount;
    record.decompressedSize = file.decompressedSize;
    launcherformat::appendIndexRecord(index, record);
  }
  integrity.indexDigest = digestOf(index);
  if (integrityRecord_)
    index += integrity.encode();
  checkPosition(layout.indexOffset + index.size() + launcherformat::kTypeByteFromEnd,
                "the integrity record");
  launcherformat::appendTrailer(index, launcherType_,
                                static_cast<std::uint32_t>(layout.indexOffset));
  writeBytes(fd, index);
}
