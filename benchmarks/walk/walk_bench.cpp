// Walks a tree with FindFiles for bin/java, as the whole-disk search of JVMs does.
//
//   walk_bench DIR          walks DIR and prints how many files it found
//   walk_bench --make DIR   fills DIR with 100 directories of 300 directories each, 299 of
//                           them with 9 files and one a bin/ holding java: some 300 000
//                           entries in 30 000 directories
#include "base/SString.h"
#include "native/launcher/linux/Console.h"
#include "native/launcher/linux/FileNavigator.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {
class Counter final : public FileFindListener {
public:
  bool fileFound(const SString &) override {
    ++found;
    return false;
  }
  long found = 0;
};
void touch(const std::string &path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd >= 0)
    ::close(fd);
}

void makeTree(const std::string &root) {
  for (int a = 0; a < 100; ++a) {
    const std::string top = root + "/t" + std::to_string(a);
    ::mkdir(top.c_str(), 0755);
    for (int b = 0; b < 299; ++b) {
      const std::string dir = top + "/s" + std::to_string(b);
      ::mkdir(dir.c_str(), 0755);
      for (int f = 0; f < 9; ++f)
        touch(dir + "/f" + std::to_string(f));
    }
    ::mkdir((top + "/bin").c_str(), 0755);
    touch(top + "/bin/java");
  }
}
} // namespace

int main(int argc, char **argv) {
  if (argc == 3 && std::strcmp(argv[1], "--make") == 0) {
    makeTree(argv[2]);
    return 0;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: walk_bench DIR\n");
    return 2;
  }
  setSilent(true);
  StringDeque names;
  names.add("bin/java");
  Counter counter;
  FindFiles finder(names, counter, "/nonexistent-temporary-directory");
  finder.walk(SString(argv[1]));
  std::printf("%ld\n", counter.found);
  return 0;
}
