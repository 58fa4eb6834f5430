// The launcher's entry point: arguments in, run result out as the exit status.
#include "base/Deque.h"
#include "base/LauncherException.h"
#include "base/TextFunctions.h"
#include "launcher/Launcher.h"
#include "launcher/TempCleanupGuard.h"
#include "native/launcher/linux/Console.h"
#include "native/launcher/linux/FileSystem.h"

#include <clocale>

namespace {

// The absolute path of the launcher file: argv[0] when it begins with "/", else the
// current directory, "/" and argv[0], not normalised.
SString launcherPathFrom(const char *argv0) {
  const SString name(argv0);
  if (name.startsWith("/"))
    return name;
  SString path = getCurrentDirectory();
  ensureTrailingSeparator(path);
  return path + name;
}

// Exit code 232 from a launcher of type 0 or 2 is a quiet failure; every other failure
// shows what the wizard wrote to its error output.
bool showsLaunchErrorOutput(Launcher &launcher, int result) {
  if (result == 0)
    return false;
  const int type = launcher.getLauncherType(launcher.getLauncherPath());
  return (type != 0 && type != 2) || result != 232;
}

} // namespace

int main(int argc, char **argv) {
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
    printUnlessSilent(e.getMessage());
    return 255;
  }

  Launcher &launcher = Launcher::instance();
  const int result = launcher.run(arguments, launcherPath);
  if (showsLaunchErrorOutput(launcher, result) && !launcher.getLaunchErrorOutput().isEmpty())
    printUnlessSilent(launcher.getLaunchErrorOutput());
  return result;
}
