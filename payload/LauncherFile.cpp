// Reading the file index, giving embedded and named files their roles, and extraction.
#include "payload/LauncherFile.h"

#include "base/LauncherException.h"
#include "base/TextFunctions.h"
#include "launcher/Log.h"
#include "native/launcher/linux/Console.h"
#include "native/launcher/linux/FileSystem.h"
#include "native/launcher/linux/Handles.h"
#include "native/launcher/linux/MessageCatalog.h"
#include "payload/FileCopy.h"
#include "payload/PayloadTexts.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace {
// Extraction copies in blocks of this size, one progress step per block.
constexpr std::size_t kCopyBlockSize = 61439;
// Blocks handed to the kernel in one copy call.
constexpr std::size_t kBlocksPerCopy = 128;

// Error texts 15 and 16 around the error number; without a number they meet directly.
LauncherException writingError(int errorNumber) {
  SString text = getErrorText(ERR_WRITING_FILE);
  if (errorNumber != 0)
    text += formatLong(errorNumber);
  return LauncherException(text + getErrorText(ERR_DISK_SPACE));
}

// Runs make and puts the role's error text in front of a LauncherException it raises.
template <class Make> void withRoleError(int code, Make make) {
  try {
    make();
  } catch (const LauncherException &e) {
    throw LauncherException(getErrorText(code) + e.getMessage());
  }
}

// An entry name becomes a file name inside the target directory; anything that could
// name another place (or be cut short by the C library) is refused.
bool isSafeFileName(const SString &name) {
  return !name.isEmpty() && name != "." && name != ".." && name.find('/') == SString::npos &&
         name.find('\0') == SString::npos;
}

// Writes text to path, creating or truncating it; the errno of the failure, or 0.
int writeWholeFile(const SString &path, const SString &text) {
  UniqueFd fd(retryOnEintr(
      [&] { return ::open(path.cStr(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666); }));
  if (!fd)
    return errno;
  std::size_t written = 0;
  while (written < text.length()) {
    const ssize_t put = retryOnEintr(
        [&] { return ::write(fd.get(), text.cStr() + written, text.length() - written); });
    if (put <= 0)
      return put < 0 ? errno : ENOSPC;
    written += static_cast<std::size_t>(put);
  }
  return ::close(fd.release()) == 0 ? 0 : errno;
}
} // namespace

void LauncherFile::readIndex(bool parseTagEntries) {
  if (indexRead_)
    return;
  UniqueFile file(std::fopen(launcherPath_.cStr(), "rb"));
  if (!file)
    throw LauncherException(payloadtext::kCannotOpenLauncher);
  try {
    std::FILE *stream = file.get();
    if (std::fseek(stream, -launcherformat::kTrailerSize, SEEK_END) != 0)
      throw LauncherException(payloadtext::kInvalidFormat);
    const std::uint32_t indexOffset = readBigEndian(stream, 4, payloadtext::kNoIndexOffset);
    const std::uint32_t identification = readBigEndian(stream, 4, payloadtext::kNoIdentification);
    if (identification == launcherformat::kIdentification) {
      if (std::fseek(stream, static_cast<long>(indexOffset), SEEK_SET) != 0)
        throw LauncherException(payloadtext::kInvalidIndexOffset);
      readEntries(stream);
      logEntries();
      if (parseTagEntries)
        applyEmbeddedFiles(stream);
    }
  } catch (const LauncherException &) {
    throw;
  } catch (...) {
    // Only the reader's own errors are the user's business; anything else leaves the index
    // as far as it got.
  }
  indexRead_ = true;
}

void LauncherFile::readEntries(std::FILE *stream) {
  // The count is signed on disk: 2^31 and above means no entries.
  const auto count = static_cast<std::int32_t>(readBigEndian(stream, 4, payloadtext::kNoFileCount));
  for (std::int32_t i = 0; i < count; ++i) {
    auto entry = std::make_unique<FileIndexEntry>();
    entry->read(stream);
    entries_.add(std::move(entry));
  }
}

void LauncherFile::logEntries() const {
  for (const FileIndexEntry &entry : entries_) {
    log(payloadtext::kLogFileType + formatLong(entry.getType()) + payloadtext::kLogFileId +
            formatLong(entry.getId()) + payloadtext::kLogLength + formatLong(entry.getLength()) +
            payloadtext::kLogOffset + formatLong(entry.getOffset()) + payloadtext::kLogFileName +
            entry.getName(),
        LOG_PLAIN);
  }
}

FileIndexEntry *LauncherFile::findEntryById(std::uint32_t id) const {
  for (FileIndexEntry &entry : entries_) {
    if (entry.getId() == id)
      return &entry;
  }
  return nullptr;
}

void LauncherFile::applyEmbeddedFiles(std::FILE *stream) {
  for (FileIndexEntry &entry : entries_) {
    if (!entry.isTagFile())
      continue;
    // Every tag entry is parsed, even when its role is taken, so that its syntax is checked.
    entry.parseTagFile(stream);
    TagFile &tagFile = *entry.getTagFile();
    switch (entry.getType()) {
    case FILE_INSTRUCTIONS:
      if (!instructions_)
        withRoleError(ERR_LOADING_INSTRUCTIONS,
                      [&] { instructions_ = std::make_unique<Instructions>(tagFile); });
      break;
    case FILE_JVM:
      if (!jvmFilesGiven_)
        withRoleError(ERR_LOADING_JVM_FILE,
                      [&] { jvmFiles_.addJVMFile(std::make_unique<JVMFile>(tagFile)); });
      break;
    case FILE_LAUNCH_SCRIPT:
      if (!launchScript_)
        withRoleError(ERR_LOADING_LAUNCH_SCRIPT, [&] {
          launchScript_ = std::make_unique<LaunchScript>(tagFile, /*isLaunchScript=*/true);
          setTitle(launchScript_->getDescription());
        });
      break;
    default:
      break;
    }
  }
  jvmFilesGiven_ = true;
}

void LauncherFile::applyInputFile(const TagFile &inputFile) {
  const SString instructionsPath = inputFile.getValue("INSTRUCTIONS");
  if (!instructionsPath.isEmpty())
    withRoleError(ERR_LOADING_INSTRUCTIONS, [&] {
      instructions_ = std::make_unique<Instructions>(*loadTagFile(instructionsPath));
    });

  const SString launchScriptPath = inputFile.getValue("LAUNCHSCRIPT");
  if (!launchScriptPath.isEmpty())
    withRoleError(ERR_LOADING_LAUNCH_SCRIPT, [&] {
      launchScript_ =
          std::make_unique<LaunchScript>(*loadTagFile(launchScriptPath), /*isLaunchScript=*/true);
      setTitle(launchScript_->getDescription());
    });

  const SString verifyClasspath = inputFile.getValue("VERIFY_CLASSPATH");
  const SString verifyClassName = inputFile.getValue("VERIFY_CLASS_NAME");
  if (!verifyClasspath.isEmpty() && !verifyClassName.isEmpty())
    jvmFiles_.setVerifyClass(verifyClasspath, verifyClassName);

  const SString title = inputFile.getValue("UI_TITLE");
  if (!title.isEmpty())
    setTitle(title);

  const int jvmCount = inputFile.getValueCount("JVM");
  for (int i = 0; i < jvmCount; ++i) {
    // Even an empty value settles the JVM files: the payload's are then not used.
    jvmFilesGiven_ = true;
    const SString path = inputFile.getValue("JVM", static_cast<unsigned>(i));
    if (path.isEmpty())
      continue;
    withRoleError(ERR_LOADING_JVM_FILE,
                  [&] { jvmFiles_.addJVMFile(std::make_unique<JVMFile>(*loadTagFile(path))); });
  }
}

TagFile *LauncherFile::loadTagFile(const SString &path) {
  return tagFiles_.add(std::make_unique<TagFile>(path));
}

SString LauncherFile::extractEntry(const FileIndexEntry &entry, const SString &directory) const {
  const SString &name = entry.getName();
  if (!isSafeFileName(name))
    throw LauncherException(payloadtext::kInvalidEmbeddedName + name);

  std::uint64_t bytes = entry.getLength();
  std::uint64_t files = 1;
  if (entry.isCompressed()) {
    bytes += entry.getDecompressedSize();
    files += entry.getDecompressedFileCount();
  }
  if (!hasFreeSpace(directory, bytes, files))
    throw writingError(0);

  SString path = directory;
  ensureTrailingSeparator(path);
  path += name;

  UniqueFd in(retryOnEintr([&] { return ::open(launcherPath_.cStr(), O_RDONLY | O_CLOEXEC); }));
  if (!in)
    throw LauncherException(payloadtext::kCannotOpenLauncher);
  UniqueFd out(retryOnEintr(
      [&] { return ::open(path.cStr(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666); }));
  int error = out ? 0 : errno;

  // The bytes go from file to file inside the kernel, so nothing is buffered here. Each
  // call covers several blocks, since a call per block costs more than the copy itself;
  // the progress still makes one step per block.
  RangeCopier copier;
  auto position = static_cast<off_t>(entry.getOffset());
  const off_t end = position + static_cast<off_t>(entry.getLength());
  std::uint64_t copiedBytes = 0;
  std::uint64_t steps = 0;
  while (error == 0 && position < end) {
    const auto n =
        static_cast<std::size_t>(std::min<off_t>(kCopyBlockSize * kBlocksPerCopy, end - position));
    const ssize_t copied = copier.copyBlock(in.get(), position, out.get(), n);
    if (copied < 0)
      error = errno;
    if (copied <= 0)
      break;
    copiedBytes += static_cast<std::uint64_t>(copied);
    for (const std::uint64_t due = (copiedBytes + kCopyBlockSize - 1) / kCopyBlockSize; steps < due;
         ++steps)
      stepProgress(1);
  }
  if (out && ::close(out.release()) != 0 && error == 0)
    error = errno;
  if (error != 0)
    throw writingError(error);

  if (entry.getType() == FILE_JVM_INSTALLER || entry.getType() == FILE_LAUNCHER)
    makeExecutable(path);
  return path;
}

void LauncherFile::extractAll() const {
  TagFile inputFile;
  inputFile.setValue("ACTION", "RUN_INSTRUCTIONS");
  for (const FileIndexEntry &entry : entries_) {
    switch (entry.getType()) {
    case FILE_JVM:
      inputFile.addValue("JVM", entry.getName());
      break;
    case FILE_LAUNCH_SCRIPT:
      inputFile.setValue("LAUNCHSCRIPT", entry.getName());
      break;
    case FILE_INSTRUCTIONS:
      inputFile.setValue("INSTRUCTIONS", entry.getName());
      break;
    default:
      break;
    }
    extractEntry(entry, SString());
  }
  // Written here rather than with TagFile::write so that a failure is reported: a missing
  // input.tag would make the whole extraction useless.
  const int error = writeWholeFile(payloadtext::kInputTagName, inputFile.toText());
  if (error != 0)
    throw writingError(error);
}

int readLauncherType(const SString &path) {
  UniqueFd fd(retryOnEintr([&] { return ::open(path.cStr(), O_RDONLY | O_CLOEXEC); }));
  if (!fd)
    return -1;
  struct stat status {};
  if (::fstat(fd.get(), &status) != 0 || status.st_size < launcherformat::kTypeByteFromEnd)
    return -1;
  unsigned char type = 0;
  if (::pread(fd.get(), &type, 1, status.st_size - launcherformat::kTypeByteFromEnd) != 1)
    return -1;
  return type;
}
