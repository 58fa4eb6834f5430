// Reads the machine field of a stub's ELF header.
#include "payload/StubArchitecture.h"

#include "base/Handles.h"

#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr std::string_view kElfMagic = "\177ELF";
constexpr std::size_t kDataOffset = 5;
constexpr char kBigEndian = 2;
constexpr std::size_t kMachineOffset = 18;
constexpr unsigned kMachineX86_64 = 62;
constexpr unsigned kMachineAarch64 = 183;

unsigned byteAt(std::string_view text, std::size_t i) {
  return static_cast<unsigned char>(text[i]);
}
} // namespace

std::string stubArchitecture(std::string_view header) {
  if (header.size() < kStubHeaderSize || header.substr(0, kElfMagic.size()) != kElfMagic)
    return "not an ELF file";
  const unsigned first = byteAt(header, kMachineOffset);
  const unsigned second = byteAt(header, kMachineOffset + 1);
  const unsigned machine =
      header[kDataOffset] == kBigEndian ? first << 8 | second : second << 8 | first;
  if (machine == kMachineX86_64)
    return "x86_64";
  if (machine == kMachineAarch64)
    return "aarch64";
  return "unknown (e_machine " + std::to_string(machine) + ")";
}

std::string readStubArchitecture(const SString &path) {
  UniqueFd fd(retryOnEintr([&] { return ::open(path.cStr(), O_RDONLY | O_CLOEXEC); }));
  char header[kStubHeaderSize];
  const ssize_t got = fd ? ::pread(fd.get(), header, sizeof header, 0) : -1;
  return stubArchitecture(std::string_view(header, got > 0 ? static_cast<std::size_t>(got) : 0));
}

const char *nativeArchitecture() {
#if defined(__x86_64__)
  return "x86_64";
#elif defined(__aarch64__)
  return "aarch64";
#else
  return "";
#endif
}
