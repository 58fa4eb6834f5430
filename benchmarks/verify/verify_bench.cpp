// Verifies one JVM home the way the search does: the command through the shell, the
// verification class, the capture and the judgement of the output.
//
//   verify_bench HOME VERIFY_JAR
#include "base/SString.h"
#include "jvm/JVMFile.h"
#include "native/launcher/linux/Console.h"

#include <cstdio>
#include <unistd.h>

namespace {
class BenchHost final : public JVMSearchHost {
public:
  SString getLauncherPath() const override { return "/tmp/setup.bin"; }
  SString getOriginalLauncherName() const override { return "/tmp/setup.bin"; }
  SString getOriginalLauncherDir() const override { return "/tmp"; }
  SString getClasspathPrepend() const override { return SString(); }
  SString getClasspathAppend() const override { return SString(); }
  int getLauncherType(const SString &) override { return 1; }
  SString getApplicationArchive() override { return SString(); }
  SString getApplicationArchive(const SString &) override { return SString(); }
  void extractClasspathArchives(StringDeque &) override {}
  SString getTempRoot() override { return "/tmp"; }
  SString getUserJavaHome() const override { return SString(); }
  SString extractVerifyArchive() override { return SString(); }
};
} // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: verify_bench HOME VERIFY_JAR\n");
    return 2;
  }
  setSilent(true);
  TagFile tags;
  tags.parse("DESC: Java\nJVM_EXE: bin/java\nCLASSPATH: \"-cp \"\nJVM_PROPERTIES:\n"
             "  java.version=...\n/:\n",
             "bench.jvm");
  JVMFile jvm(tags);
  BenchHost host;
  const bool passed =
      jvm.verify(host, SString(argv[1]), "\"" + SString(argv[2]) + "\"", "\"Verify\"") != nullptr;
  return passed ? 0 : 1;
}
