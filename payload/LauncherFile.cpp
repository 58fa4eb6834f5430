// Reading the file index, giving embedded and named files their roles, and extraction.
#include "payload/LauncherFile.h"

#include "base/Handles.h"
#include "base/LauncherException.h"
#include "base/Log.h"
#include "base/TextFunctions.h"
#include "native/launcher/linux/Console.h"
#include "native/launcher/linux/FileSystem.h"
#include "native/launcher/linux/MessageCatalog.h"
#include "native/launcher/linux/Signals.h"
#include "payload/PayloadTexts.h"
#include "payload/RangeCopier.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace {
// Extraction makes one progress step per block of this many bytes copied.
constexpr std::size_t kBytesPerProgressStep = 61439;
// Bytes handed to the kernel in one copy call: whole pages, so that every call after the
// first starts on a page boundary of a page-aligned entry, and many of them, since a call
// per progress step costs more than the copy itself.
constexpr std::size_t kBytesPerCopy = std::size_t{16} << 20;

// Error texts 15 and 16 around the error number; without a number they meet directly.
LauncherException writingError(int errorNumber) {
  SString text = getErrorText(ERR_WRITING_FILE);
  if (errorNumber != 0)
    text += formatLong(errorNumber);
  return LauncherException(text + getErrorText(ERR_DISK_SPACE));
}

LauncherException entryBeyondEnd(const FileIndexEntry &entry) {
  return LauncherException(payloadtext::kEntryBeyondEnd + entry.getName() +
                           payloadtext::kEntryBeyondEndSuffix);
}

LauncherException entryDamaged(const FileIndexEntry &entry) {
  return LauncherException(payloadtext::kEntryDamaged + entry.getName() +
                           payloadtext::kEntryDamagedSuffix);
}

// True when the entry's bytes lie within a file of fileSize bytes.
bool liesWithin(const FileIndexEntry &entry, std::uint64_t fileSize) {
  return std::uint64_t{entry.getOffset()} + entry.getLength() <= fileSize;
}

// Creates the file that will replace path. A directory of that name stops the extraction
// before anything is written; any other failure is the writing error with its number.
void createReplacement(ReplacementFile &file, const SString &path) {
  const int error = file.create(path);
  if (error == EISDIR)
    throw LauncherException(payloadtext::kNameIsDirectory + path +
                            payloadtext::kNameIsDirectoryEnd);
  if (error != 0)
    throw writingError(error);
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
    struct stat status {};
    if (::fstat(::fileno(stream), &status) == 0)
      fileSize_ = static_cast<std::uint64_t>(status.st_size);
    if (std::fseek(stream, -launcherformat::kTrailerSize, SEEK_END) != 0)
      throw LauncherException(payloadtext::kInvalidFormat);
    const std::uint32_t indexOffset = readBigEndian(stream, 4, payloadtext::kNoIndexOffset);
    const std::uint32_t identification = readBigEndian(stream, 4, payloadtext::kNoIdentification);
    if (identification == launcherformat::kIdentification) {
      hasIndex_ = true;
      if (std::fseek(stream, static_cast<long>(indexOffset), SEEK_SET) != 0)
        throw LauncherException(payloadtext::kInvalidIndexOffset);
      indexOffset_ = indexOffset;
      readEntries(stream);
      readIntegrityRecord(stream);
      logEntries();
      if (parseTagEntries && !isIndexIntact())
        throw LauncherException(payloadtext::kIndexDamaged);
      if (parseTagEntries)
        applyEmbeddedFiles(stream);
    }
  } catch (const LauncherException &) {
    throw;
  } catch (const TerminationRequested &) {
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
    entry->setPosition(i);
    entry->read(stream);
    entries_.add(std::move(entry));
  }
}

void LauncherFile::readIntegrityRecord(std::FILE *stream) {
  // The record fills the gap between the index and the launcher type byte exactly.
  const long end = std::ftell(stream);
  if (end < 0)
    return;
  indexEnd_ = static_cast<std::uint64_t>(end);
  const std::uint64_t gapEnd = fileSize_ - launcherformat::kTypeByteFromEnd;
  if (fileSize_ < launcherformat::kTypeByteFromEnd || gapEnd <= indexEnd_ ||
      gapEnd - indexEnd_ > std::uint64_t{16} * static_cast<std::uint64_t>(entries_.count()) + 64)
    return;
  std::string bytes(static_cast<std::size_t>(gapEnd - indexEnd_), '\0');
  if (std::fread(bytes.data(), 1, bytes.size(), stream) != bytes.size())
    return;
  integrity_ = IntegrityRecord::decode(bytes);
  if (integrity_ && integrity_->entryDigests.size() != static_cast<std::size_t>(entries_.count()))
    integrity_.reset();
}

bool LauncherFile::isIndexIntact() const {
  if (!integrity_)
    return true;
  const UniqueFd fd(
      retryOnEintr([&] { return ::open(launcherPath_.cStr(), O_RDONLY | O_CLOEXEC); }));
  const std::optional<Digest> digest =
      fd ? digestOf(fd.get(), indexOffset_, indexEnd_ - indexOffset_) : std::nullopt;
  return digest == integrity_->indexDigest;
}

bool LauncherFile::isEntryIntact(const FileIndexEntry &entry) const {
  if (!integrity_)
    return true;
  const UniqueFd fd(
      retryOnEintr([&] { return ::open(launcherPath_.cStr(), O_RDONLY | O_CLOEXEC); }));
  const std::optional<Digest> digest =
      fd ? digestOf(fd.get(), entry.getOffset(), entry.getLength()) : std::nullopt;
  return digest == integrity_->entryDigests[static_cast<std::size_t>(entry.getPosition())];
}

SString LauncherFile::extractCheckedEntry(const FileIndexEntry &entry,
                                          const SString &directory) const {
  const SString path = extractEntry(entry, directory);
  if (!integrity_)
    return path;
  // What is checked is the file that will run, not just the bytes it came from.
  std::optional<Digest> digest;
  {
    const UniqueFd fd(retryOnEintr([&] { return ::open(path.cStr(), O_RDONLY | O_CLOEXEC); }));
    if (fd)
      digest = digestOf(fd.get(), 0, entry.getLength());
  }
  if (digest != integrity_->entryDigests[static_cast<std::size_t>(entry.getPosition())]) {
    ::unlink(path.cStr());
    throw entryDamaged(entry);
  }
  return path;
}

LauncherFile::IntegrityReport LauncherFile::checkIntegrity() {
  IntegrityReport report;
  try {
    readIndex(/*parseTagEntries=*/false);
  } catch (const LauncherException &e) {
    report.status = 1;
    report.lines.add(payloadtext::kCheckUnreadableIndex + e.getMessage());
    return report;
  }
  if (!hasIndex_ || !integrity_) {
    report.status = 2;
    report.lines.add(hasIndex_ ? payloadtext::kCheckNoRecord : payloadtext::kCheckNoIndex);
    return report;
  }
  if (!isIndexIntact())
    report.lines.add(payloadtext::kCheckDamagedIndex);
  for (const FileIndexEntry &entry : entries_) {
    if (isEntryIntact(entry))
      continue;
    report.lines.add(payloadtext::kCheckDamagedEntry + formatLong(entry.getPosition()) +
                     payloadtext::kCheckType + formatLong(entry.getType()) + " (" +
                     launcherformat::fileTypeName(entry.getType()) + ")" + payloadtext::kCheckName +
                     entry.getName());
  }
  report.status = report.lines.count() == 0 ? 0 : 1;
  if (report.status == 0)
    report.lines.add(payloadtext::kCheckIntact + formatLong(entries_.count()) +
                     payloadtext::kCheckIntactEntries);
  return report;
}

void LauncherFile::logEntries() const {
  if (getLogFile().isEmpty())
    return;
  // Plain entries have no prefix, so several of them in one write read exactly as one write
  // each; an index of a million entries would otherwise cost a million writes.
  constexpr SString::size_type kBatchBytes = 64 * 1024;
  SString batch;
  for (const FileIndexEntry &entry : entries_) {
    if (!batch.isEmpty())
      batch += '\n';
    batch += payloadtext::kLogFileType + formatLong(entry.getType()) + payloadtext::kLogFileId +
             formatLong(entry.getId()) + payloadtext::kLogLength + formatLong(entry.getLength()) +
             payloadtext::kLogOffset + formatLong(entry.getOffset()) + payloadtext::kLogFileName +
             entry.getName();
    if (batch.length() >= kBatchBytes) {
      log(batch, LOG_PLAIN);
      batch = SString();
    }
  }
  if (!batch.isEmpty())
    log(batch, LOG_PLAIN);
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
    if (!liesWithin(entry, fileSize_))
      throw entryBeyondEnd(entry);
    if (!isEntryIntact(entry))
      throw entryDamaged(entry);
    entry.parseTagFile(stream);
    TagFile &tagFile = *entry.getTagFile();
    switch (entry.getType()) {
    case FILE_INSTRUCTIONS:
      if (!instructions_)
        withErrorText(ERR_LOADING_INSTRUCTIONS,
                      [&] { instructions_ = std::make_unique<Instructions>(tagFile); });
      break;
    case FILE_JVM:
      if (!jvmFilesGiven_)
        withErrorText(ERR_LOADING_JVM_FILE,
                      [&] { jvmFiles_.addJVMFile(std::make_unique<JVMFile>(tagFile)); });
      break;
    case FILE_LAUNCH_SCRIPT:
      if (!launchScript_)
        withErrorText(ERR_LOADING_LAUNCH_SCRIPT, [&] {
          launchScript_ = std::make_unique<LaunchScript>(tagFile, /*captureOutput=*/true);
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
    withErrorText(ERR_LOADING_INSTRUCTIONS, [&] {
      instructions_ = std::make_unique<Instructions>(*loadTagFile(instructionsPath));
    });

  const SString launchScriptPath = inputFile.getValue("LAUNCHSCRIPT");
  if (!launchScriptPath.isEmpty())
    withErrorText(ERR_LOADING_LAUNCH_SCRIPT, [&] {
      launchScript_ =
          std::make_unique<LaunchScript>(*loadTagFile(launchScriptPath), /*captureOutput=*/true);
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
    withErrorText(ERR_LOADING_JVM_FILE,
                  [&] { jvmFiles_.addJVMFile(std::make_unique<JVMFile>(*loadTagFile(path))); });
  }
}

TagFile *LauncherFile::loadTagFile(const SString &path) {
  return tagFiles_.add(std::make_unique<TagFile>(path));
}

SString LauncherFile::extractEntry(const FileIndexEntry &entry, const SString &directory) const {
  const SString &name = entry.getName();
  if (!launcherformat::isValidEntryName(name.view()))
    throw LauncherException(payloadtext::kInvalidEmbeddedName + name);

  UniqueFd in(retryOnEintr([&] { return ::open(launcherPath_.cStr(), O_RDONLY | O_CLOEXEC); }));
  if (!in)
    throw LauncherException(payloadtext::kCannotOpenLauncher);
  struct stat status {};
  if (::fstat(in.get(), &status) != 0 ||
      !liesWithin(entry, static_cast<std::uint64_t>(status.st_size)))
    throw entryBeyondEnd(entry);

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
  ReplacementFile out;
  createReplacement(out, path);

  // The bytes go from file to file inside the kernel, so nothing is buffered here. The
  // progress still makes one step per block of the copy, for every block boundary passed.
  RangeCopier copier;
  auto position = static_cast<off_t>(entry.getOffset());
  const off_t end = position + static_cast<off_t>(entry.getLength());
  std::uint64_t copiedBytes = 0;
  std::uint64_t steps = 0;
  int error = 0;
  while (position < end) {
    // A large entry takes a while: a termination signal ends the copy (the new file goes).
    throwIfTerminationRequested();
    const auto n = static_cast<std::size_t>(
        std::min<off_t>(static_cast<off_t>(kBytesPerCopy), end - position));
    const ssize_t copied = copier.copyBlock(in.get(), position, out.fd(), n);
    if (copied < 0)
      error = errno;
    if (copied <= 0)
      break;
    copiedBytes += static_cast<std::uint64_t>(copied);
    for (const std::uint64_t due =
             (copiedBytes + kBytesPerProgressStep - 1) / kBytesPerProgressStep;
         steps < due; ++steps)
      stepProgress(1);
  }
  if (error == 0 && (entry.getType() == FILE_JVM_INSTALLER || entry.getType() == FILE_LAUNCHER))
    error = out.makeExecutable();
  if (error == 0)
    error = out.commit();
  if (error != 0)
    throw writingError(error);
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
  ReplacementFile file;
  createReplacement(file, payloadtext::kInputTagName);
  int error = writeAll(file.fd(), inputFile.toText().view()) ? 0 : errno;
  if (error == 0)
    error = file.commit();
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
