// qgpack: packs a launcher stub and the files it carries into one launcher file, and lists
// the index of an existing launcher file.
#include "base/Handles.h"
#include "base/LauncherException.h"
#include "base/SystemError.h"
#include "native/launcher/linux/FileSystem.h"
#include "payload/LauncherFile.h"
#include "payload/LauncherFileFormat.h"
#include "payload/LauncherFileWriter.h"
#include "payload/StubArchitecture.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
constexpr const char *kUsage =
    "Usage: qgpack create OUTPUT [--arch NAME | --stub FILE] [--type N] [--no-integrity]\n"
    "                     ENTRY...\n"
    "       qgpack list LAUNCHER\n"
    "       qgpack verify LAUNCHER\n"
    "       qgpack --help | --version\n"
    "\n"
    "create writes OUTPUT: the stub (default: qglaunch next to qgpack), then every ENTRY in\n"
    "command-line order, the file index, the launcher type byte N (default 1) and the\n"
    "trailer. OUTPUT appears whole or not at all, with mode 0755. An integrity record\n"
    "(digests of the index and of every entry) follows the index unless --no-integrity\n"
    "is given.\n"
    "--arch NAME takes the stub for that architecture instead: qglaunch-NAME next to\n"
    "qgpack, or qglaunch for the architecture qgpack was built for (x86_64 or aarch64).\n"
    "--stub FILE takes FILE, whatever --arch says.\n"
    "\n"
    "ENTRY is one of:\n"
    "  --instructions FILE       instruction script (type 0)\n"
    "  --jvm FILE                JVM description file (type 1, repeatable)\n"
    "  --launch-script FILE      launch script (type 2)\n"
    "  --classpath-archive FILE  class-path archive (type 3, repeatable)\n"
    "  --jvm-installer FILE      JVM installer (type 4)\n"
    "  --verify-archive FILE     archive with the JVM verification class (type 5)\n"
    "  --app-archive FILE        application archive (type 6)\n"
    "  --launcher FILE           second launcher (type 7)\n"
    "  --entry TYPE:ID:FILE[:NAME]\n"
    "                            any type (0..7 or a name above without the dashes); an\n"
    "                            empty ID takes the default; FILE must not contain ':'\n"
    "  --compressed COUNT:SIZE   marks the entry before it as a compressed archive that\n"
    "                            expands to COUNT files of SIZE bytes in all\n"
    "Entries get the ids 0, 1, 2, ... in order unless --entry gives one; names are the\n"
    "files' base names unless --entry gives one.\n"
    "\n"
    "list prints one line per entry (position, type, id, length, offset, name and the\n"
    "compressed numbers), then the launcher type byte, whether an integrity record is\n"
    "there and the stub's architecture. Exits 1 when the file has no index.\n"
    "\n"
    "verify checks the index and every entry against the integrity record and prints one\n"
    "line per damaged part, or one that says all is intact. Exits 0 when intact, 1 when\n"
    "something is damaged, 2 when there is no record or the file is not a launcher.\n";

// Bad command lines and unusable input; reported with exit status 2, before any writing.
struct UsageError {
  std::string message;
};

[[noreturn]] void usageError(const std::string &message) {
  throw UsageError{message};
}

std::uint64_t parseNumber(const std::string &text, std::uint64_t max) {
  if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
    usageError("bad number: '" + text + "'");
  const std::uint64_t value = std::strtoull(text.c_str(), nullptr, 10);
  if (value > max)
    usageError("bad number: '" + text + "' (at most " + std::to_string(max) + ")");
  return value;
}

int parseType(const std::string &text) {
  for (int type = 0; type <= launcherformat::kLastFileType; ++type) {
    if (text == launcherformat::fileTypeName(type))
      return type;
  }
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
    usageError("bad file type: '" + text + "'");
  return static_cast<int>(parseNumber(text, launcherformat::kLastFileType));
}

std::string baseName(const std::string &path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string directoryOf(const std::string &path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos)
    return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The directory of this qgpack, where the stubs built with it are.
std::string packagerDirectory() {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0)
    usageError("cannot find the default stub (give --stub FILE)");
  return directoryOf(std::string(buffer.data(), static_cast<std::size_t>(n)));
}

// The stub for an architecture next to qgpack: qglaunch for the one qgpack was built for,
// qglaunch-NAME for any other. A name without such a file is a usage error.
std::string stubForArchitecture(const std::string &name) {
  if (name.empty() || name.find('/') != std::string::npos)
    usageError("bad architecture name: '" + name + "'");
  const std::string stub =
      packagerDirectory() + (name == nativeArchitecture() ? "/qglaunch" : "/qglaunch-" + name);
  struct stat status {};
  if (::stat(stub.c_str(), &status) != 0 && errno == ENOENT)
    usageError("no stub for the architecture " + name + ": " + stub + " is missing");
  return stub;
}

// Option lookup for the entry options with a fixed type.
std::optional<int> typeOfOption(const std::string &option) {
  if (option.size() > 2 && option.compare(0, 2, "--") == 0) {
    for (int type = 0; type <= launcherformat::kLastFileType; ++type) {
      if (option.compare(2, std::string::npos, launcherformat::fileTypeName(type)) == 0)
        return type;
    }
  }
  return std::nullopt;
}

struct CreateCommand {
  std::string output;
  LauncherFileWriter writer;
};

EmbeddedFile parseEntrySpec(const std::string &spec, std::uint32_t defaultId) {
  const std::size_t first = spec.find(':');
  const std::size_t second = first == std::string::npos ? first : spec.find(':', first + 1);
  if (second == std::string::npos)
    usageError("bad --entry '" + spec + "' (expected TYPE:ID:FILE[:NAME])");
  const std::size_t third = spec.find(':', second + 1);
  EmbeddedFile file;
  file.type = parseType(spec.substr(0, first));
  const std::string id = spec.substr(first + 1, second - first - 1);
  file.id = id.empty() ? defaultId : static_cast<std::uint32_t>(parseNumber(id, 0xFFFFFFFFu));
  const std::string path = spec.substr(second + 1, third - second - 1);
  if (path.empty())
    usageError("bad --entry '" + spec + "' (no FILE)");
  file.sourcePath = SString(path);
  file.name = SString(third == std::string::npos ? baseName(path) : spec.substr(third + 1));
  return file;
}

void parseCompressed(const std::string &spec, EmbeddedFile &file) {
  const std::size_t colon = spec.find(':');
  if (colon == std::string::npos)
    usageError("bad --compressed '" + spec + "' (expected COUNT:SIZE)");
  file.compressed = true;
  file.decompressedFileCount =
      static_cast<std::uint32_t>(parseNumber(spec.substr(0, colon), 0xFFFFFFFFu));
  file.decompressedSize =
      static_cast<std::uint32_t>(parseNumber(spec.substr(colon + 1), 0xFFFFFFFFu));
}

CreateCommand parseCreate(const std::vector<std::string> &args) {
  if (args.size() < 2 || args[1].empty() || args[1].compare(0, 2, "--") == 0)
    usageError("create needs an OUTPUT file name");
  CreateCommand command;
  command.output = args[1];
  std::string stub;
  std::optional<std::string> architecture;
  std::vector<EmbeddedFile> files;
  for (std::size_t i = 2; i < args.size(); ++i) {
    const std::string &option = args[i];
    if (option == "--no-integrity") {
      command.writer.setIntegrityRecord(false);
      continue;
    }
    if (i + 1 >= args.size())
      usageError(option.compare(0, 2, "--") == 0 ? "missing value after " + option
                                                 : "unexpected argument: " + option);
    const std::string &value = args[++i];
    const auto nextId = static_cast<std::uint32_t>(files.size());
    if (option == "--stub") {
      stub = value;
    } else if (option == "--arch") {
      architecture = value;
    } else if (option == "--type") {
      command.writer.setLauncherType(static_cast<std::uint8_t>(parseNumber(value, 255)));
    } else if (option == "--entry") {
      files.push_back(parseEntrySpec(value, nextId));
    } else if (option == "--compressed") {
      if (files.empty())
        usageError("--compressed must follow an entry");
      parseCompressed(value, files.back());
    } else if (const auto type = typeOfOption(option)) {
      EmbeddedFile file;
      file.type = *type;
      file.id = nextId;
      file.sourcePath = SString(value);
      file.name = SString(baseName(value));
      files.push_back(std::move(file));
    } else {
      usageError("unknown option: " + option);
    }
  }
  if (stub.empty())
    stub = architecture ? stubForArchitecture(*architecture) : packagerDirectory() + "/qglaunch";
  command.writer.setStubFile(SString(stub));
  // Page-aligned entries are copied out faster.
  command.writer.setAlignment(4096);
  for (EmbeddedFile &file : files)
    command.writer.addFile(std::move(file));
  try {
    command.writer.validate();
  } catch (const LauncherException &e) {
    usageError(e.getMessage().str());
  }
  return command;
}

[[noreturn]] void systemFailure(const std::string &what, int error) {
  errno = error;
  throw LauncherException(systemErrorMessage((what + ": ").c_str()));
}

// The half-written output while it is being written; a signal that ends qgpack removes it.
char pendingOutput[4096];

void removePendingOutput(int signalNumber) {
  if (pendingOutput[0] != '\0')
    ::unlink(pendingOutput);
  // Die of the same signal, so that the caller sees how qgpack ended.
  ::signal(signalNumber, SIG_DFL);
  ::raise(signalNumber);
}

// Records path as the file to remove on a signal; with create, the file is made while
// signals wait, so that none can leave it behind unrecorded.
int recordPendingOutput(const SString &path, ReplacementFile *create = nullptr) {
  sigset_t all, previous;
  ::sigfillset(&all);
  ::sigprocmask(SIG_BLOCK, &all, &previous);
  const int error = create ? create->create(path, 0755) : 0;
  const SString &pending = create ? create->getTemporaryPath() : path;
  const std::size_t n = std::min<std::size_t>(pending.length(), sizeof pendingOutput - 1);
  std::memcpy(pendingOutput, pending.cStr(), n);
  pendingOutput[n] = '\0';
  ::sigprocmask(SIG_SETMASK, &previous, nullptr);
  return error;
}

void removeOutputOnSignals() {
  struct sigaction action {};
  action.sa_handler = removePendingOutput;
  ::sigfillset(&action.sa_mask);
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP})
    ::sigaction(signalNumber, &action, nullptr);
}

int runCreate(const std::vector<std::string> &args) {
  CreateCommand command = parseCreate(args);
  // The output is written under a new name beside it and renamed into place, so that the
  // rename cannot cross file systems and readers never see a partial launcher.
  removeOutputOnSignals();
  ReplacementFile output;
  if (const int error = recordPendingOutput(SString(command.output), &output); error != 0)
    systemFailure("cannot create " + command.output, error);
  const std::string temporary = output.getTemporaryPath().str();
  command.writer.write(output.fd());
  if (::fchmod(output.fd(), 0755) != 0 || ::fsync(output.fd()) != 0)
    systemFailure("cannot write " + temporary, errno);
  if (const int error = output.commit(); error != 0)
    systemFailure("cannot write " + command.output, error);
  recordPendingOutput(SString());
  return 0;
}

bool hasIdentification(const std::string &path) {
  UniqueFd fd(retryOnEintr([&] { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }));
  struct stat status {};
  if (!fd || ::fstat(fd.get(), &status) != 0)
    usageError("cannot read " + path + ": " + std::strerror(errno));
  if (status.st_size < launcherformat::kTrailerSize)
    return false;
  char trailer[4];
  if (::pread(fd.get(), trailer, 4, status.st_size - 4) != 4)
    return false;
  return launcherformat::decodeBigEndian(std::string_view(trailer, 4)) ==
         launcherformat::kIdentification;
}

int runList(const std::vector<std::string> &args) {
  if (args.size() != 2)
    usageError("list needs exactly one LAUNCHER file");
  const std::string &path = args[1];
  if (!hasIdentification(path)) {
    std::fprintf(stderr, "qgpack: %s is not a launcher file (no identification value)\n",
                 path.c_str());
    return 1;
  }
  LauncherFile launcherFile;
  launcherFile.setLauncherPath(SString(path));
  launcherFile.readIndex(/*parseTagEntries=*/false);
  for (int i = 0; i < launcherFile.getEntryCount(); ++i) {
    const FileIndexEntry &entry = *launcherFile.getEntry(i);
    std::printf("%d: type %d (%s) id %u length %u offset %u name %s", i, entry.getType(),
                launcherformat::fileTypeName(entry.getType()), entry.getId(), entry.getLength(),
                entry.getOffset(), entry.getName().cStr());
    if (entry.isCompressed())
      std::printf(" compressed %u files %u bytes", entry.getDecompressedFileCount(),
                  entry.getDecompressedSize());
    std::printf("\n");
  }
  std::printf("launcher type: %d\n", readLauncherType(SString(path)));
  std::printf("integrity record: %s\n", launcherFile.hasIntegrityRecord() ? "present" : "none");
  std::printf("stub architecture: %s\n", readStubArchitecture(SString(path)).c_str());
  return 0;
}

int runVerify(const std::vector<std::string> &args) {
  if (args.size() != 2)
    usageError("verify needs exactly one LAUNCHER file");
  LauncherFile launcherFile;
  launcherFile.setLauncherPath(SString(args[1]));
  const LauncherFile::IntegrityReport report = launcherFile.checkIntegrity();
  for (const SString &line : report.lines)
    std::printf("%s\n", line.cStr());
  return report.status;
}

int run(const std::vector<std::string> &args) {
  if (args.empty())
    usageError("no command (try qgpack --help)");
  if (args[0] == "--help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (args[0] == "--version") {
    std::printf("qgpack %s\n", QG_VERSION);
    return 0;
  }
  if (args[0] == "create")
    return runCreate(args);
  if (args[0] == "list")
    return runList(args);
  if (args[0] == "verify")
    return runVerify(args);
  usageError("unknown command: " + args[0]);
}
} // namespace

int main(int argc, char **argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    return run(args);
  } catch (const UsageError &e) {
    std::fprintf(stderr, "qgpack: %s\n", e.message.c_str());
    return 2;
  } catch (const LauncherException &e) {
    std::fprintf(stderr, "qgpack: %s\n", e.getMessage().cStr());
    return 1;
  }
}
