// Fixed English texts of the embedded payload: index reading, extraction, temporary files
// and the launcher file writer.
#pragma once

namespace payloadtext {
// Reading the trailer and the file index.
inline constexpr const char *kCannotOpenLauncher = "Cannot open launcher file.";
inline constexpr const char *kInvalidFormat = "Invalid launcher format.";
inline constexpr const char *kNoIndexOffset = "Unable to read file index offset.";
inline constexpr const char *kNoIdentification = "Unable to read launcher identification value.";
inline constexpr const char *kInvalidIndexOffset = "Invalid file index offset.";
inline constexpr const char *kNoFileCount = "Unable to read the file count.";

// Reading one index entry.
inline constexpr const char *kInvalidFileType = "Invalid file type in file index.";
inline constexpr const char *kNoFileId = "Unable to load file id.";
inline constexpr const char *kNoFileLength = "Unable to load file length.";
inline constexpr const char *kNoFileOffset = "Unable to load offset to file bytes.";
inline constexpr const char *kNoNameLength = "Unable to load the string value.";
inline constexpr const char *kNoDecompressedCount = "Unable to load decompressed file count.";
inline constexpr const char *kNoDecompressedSize = "Unable to load decompressed size.";

// The index listing written to the log, one entry per embedded file.
inline constexpr const char *kLogFileType = "file type: ";
inline constexpr const char *kLogFileId = "\n  file id: ";
inline constexpr const char *kLogLength = "\n  length: ";
inline constexpr const char *kLogOffset = "\n  offset: ";
inline constexpr const char *kLogFileName = "\n  file name: ";

// Extraction.
inline constexpr const char *kInvalidEmbeddedName = "Invalid embedded file name: ";
inline constexpr const char *kNameIsDirectory = "Cannot write ";
inline constexpr const char *kNameIsDirectoryEnd = ": a directory of that name is in the way.";
inline constexpr const char *kNoFileIndex =
    "The launcher file is damaged or incomplete: it carries no file index.";
inline constexpr const char *kEntryBeyondEnd =
    "The launcher file is damaged or incomplete: the embedded file ";
inline constexpr const char *kEntryBeyondEndSuffix = " lies beyond its end.";
inline constexpr const char *kEntryDamaged = "The launcher file is damaged: the embedded file ";
inline constexpr const char *kEntryDamagedSuffix = " does not match its checksum.";
// The check of every digest (-qg:check, qgpack verify).
inline constexpr const char *kCheckNoIndex = "not a launcher file: it carries no file index";
inline constexpr const char *kCheckNoRecord = "no integrity record";
inline constexpr const char *kCheckUnreadableIndex = "damaged: the file index cannot be read: ";
inline constexpr const char *kCheckDamagedIndex = "damaged: the file index";
inline constexpr const char *kCheckDamagedEntry = "damaged: entry ";
inline constexpr const char *kCheckType = ", type ";
inline constexpr const char *kCheckName = ", name ";
inline constexpr const char *kCheckIntact = "intact: the file index and ";
inline constexpr const char *kCheckIntactEntries = " entries";
inline constexpr const char *kIndexDamaged =
    "The launcher file is damaged: its file index does not match its checksum.";
inline constexpr const char *kInputTagName = "input.tag";

// Temporary files.
inline constexpr const char *kDefaultTempRoot = "/tmp";
inline constexpr const char *kTempPrefix = "qgj";
inline constexpr const char *kCannotCreateTempFile = "Error creating tmp file ";

// The launcher file writer.
inline constexpr const char *kNameTooLong = "Embedded file name is longer than 32767 bytes: ";
inline constexpr const char *kInvalidTypeForWriter = "Invalid embedded file type: ";
inline constexpr const char *kCannotReadSource = "Cannot read ";
inline constexpr const char *kNotARegularFile = ": not a regular file";
inline constexpr const char *kChangedWhilePacking = " changed while it was being packed";
inline constexpr const char *kTooLarge = "Launcher file would exceed 4 GiB at ";
inline constexpr const char *kCannotWrite = "Cannot write the launcher file: ";
} // namespace payloadtext
