// The launcher's entry point: arguments in, run result out as the exit status.
#include "base/Deque.h"
#include "base/LauncherException.h"
#include "base/TextFunctions.h"
#include "launcher/Launcher.h"
#include "launcher/TempCleanupGuard.h"
#include "native/launcher/linux/Console.h"
#include "native/launcher/linux/FileSystem.h"
#include "native/launcher/linux/Signals.h"

#include <clocale>

namespace {

// The absolute path of the launcher file: argv[0] when it begins with "/", else the
// current directory, "/" and argv[0], not normalised; the running executable instead when
// that names another file (a launcher started through PATH).
SString launcherPathFrom(const char *argv0) {
  SString path(argv0);
  if (!path.startsWith("/")) {
    path = getCurrentDirectory();
    ensureTrailingSeparator(path);
    path += argv0;
  }
  return resolveRunningExecutable(path);
}

} // namespace

int main(int argc, char **argv) {
  installTerminationHandlers();
  // The user's character type locale: the title converts whole, and texts go out as UTF-8.
  std::setlocale(LC_CTYPE, "");
  StringDeque arguments;
  for (int i = 1; i < argc; ++i)
    arguments.add(SString(argv[i]));

  TempCleanupGuard guard;
  SString launcherPath;
  try {
    launcherPath = launcherPathFrom(argc > 0 ? argv[0] : "");
  } catch (const LauncherException &e) {
    printErrorUnlessSilent(e.getMessage());
    return 255;
  }

  Launcher &launcher = Launcher::instance();
  const int result = launcher.run(arguments, launcherPath);
  // A launcher ended by a signal says nothing more; the guard still cleans up.
  if (pendingTerminationSignal() == 0)
    launcher.reportLaunchErrorOutput(result);
  // The shell's prompt must not follow a row of dots on the same line.
  endProgressLine();
  return result;
}
