// Test launcher files over the project's own writer.
#include "tests/support/LauncherFileBuilder.h"

#include "base/Handles.h"
#include "base/LauncherException.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>

LauncherFileBuilder::LauncherFileBuilder() {
  writer_.setStub("#!/bin/false\n# stub of a test launcher\n");
}

LauncherFileBuilder &LauncherFileBuilder::stub(std::string bytes) {
  writer_.setStub(std::move(bytes));
  return *this;
}

LauncherFileBuilder &LauncherFileBuilder::stubFile(const std::string &path) {
  writer_.setStubFile(SString(path));
  return *this;
}

LauncherFileBuilder &LauncherFileBuilder::launcherType(std::uint8_t type) {
  writer_.setLauncherType(type);
  return *this;
}

LauncherFileBuilder &LauncherFileBuilder::add(FileType type, const std::string &name,
                                              const std::string &content) {
  return add(type, static_cast<std::uint32_t>(count_), name, content);
}

LauncherFileBuilder &LauncherFileBuilder::add(FileType type, std::uint32_t id,
                                              const std::string &name, const std::string &content) {
  EmbeddedFile file;
  file.type = type;
  file.id = id;
  file.name = SString(name);
  file.content = content;
  writer_.addFile(std::move(file));
  ++count_;
  return *this;
}

LauncherFileBuilder &LauncherFileBuilder::addFromFile(FileType type, const std::string &name,
                                                      const std::string &sourcePath) {
  EmbeddedFile file;
  file.type = type;
  file.id = static_cast<std::uint32_t>(count_);
  file.name = SString(name);
  file.sourcePath = SString(sourcePath);
  writer_.addFile(std::move(file));
  ++count_;
  return *this;
}

LauncherFileBuilder &LauncherFileBuilder::compressed(std::uint32_t fileCount, std::uint32_t size) {
  EmbeddedFile *file = writer_.getLastFile();
  if (!file)
    throw std::logic_error("compressed() needs an entry before it");
  file->compressed = true;
  file->decompressedFileCount = fileCount;
  file->decompressedSize = size;
  return *this;
}

std::string LauncherFileBuilder::write(const std::string &path) const {
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0755));
  if (!fd)
    throw std::runtime_error("cannot create " + path + ": " + std::strerror(errno));
  writer_.write(fd.get());
  ::fchmod(fd.get(), 0755);
  return path;
}

std::string rawLauncherFile(const std::string &stub, const std::string &index,
                            std::uint8_t launcherType) {
  std::string bytes = stub + index;
  launcherformat::appendTrailer(bytes, launcherType, static_cast<std::uint32_t>(stub.size()));
  return bytes;
}

std::string rawIndex(std::uint32_t count, const std::string &records) {
  std::string bytes;
  launcherformat::appendU32(bytes, count);
  return bytes + records;
}

std::string rawRecord(const launcherformat::IndexRecord &record) {
  std::string bytes;
  launcherformat::appendIndexRecord(bytes, record);
  return bytes;
}
