// Times two commands against each other, alternating them in one run so that both see the
// same machine state, and prints the mean time of each and their ratio.
//
//   compare_commands ROUNDS MAX_RATIO -- COMMAND_A ARGS... -- COMMAND_B ARGS...
//
// Exits 0 when mean(A) / mean(B) <= MAX_RATIO, 1 when it is higher, 2 on bad usage.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

// Runs the command with its output sent to /dev/null; returns the seconds it took.
double runOnce(std::vector<char *> &argv) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto start = Clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
    std::fprintf(stderr, "compare_commands: cannot start %s\n", argv[0]);
    std::exit(2);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  const auto end = Clock::now();
  posix_spawn_file_actions_destroy(&actions);
  return std::chrono::duration<double>(end - start).count();
}

double mean(std::vector<double> times) {
  // Drop the slowest tenth: one-off stalls of the machine say nothing about either command.
  std::sort(times.begin(), times.end());
  times.resize(std::max<std::size_t>(1, times.size() - times.size() / 10));
  double sum = 0;
  for (double t : times)
    sum += t;
  return sum / static_cast<double>(times.size());
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 6 || std::strcmp(argv[3], "--") != 0) {
    std::fprintf(stderr, "usage: compare_commands ROUNDS MAX_RATIO -- A... -- B...\n");
    return 2;
  }
  const int rounds = std::atoi(argv[1]);
  const double maxRatio = std::atof(argv[2]);
  std::vector<char *> a, b;
  int i = 4;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
    a.push_back(argv[i]);
  for (++i; i < argc; ++i)
    b.push_back(argv[i]);
  if (a.empty() || b.empty() || rounds <= 0) {
    std::fprintf(stderr, "compare_commands: two commands and a positive round count needed\n");
    return 2;
  }
  a.push_back(nullptr);
  b.push_back(nullptr);

  std::vector<double> timesA, timesB;
  for (int r = 0; r < rounds; ++r) {
    timesA.push_back(runOnce(a));
    timesB.push_back(runOnce(b));
  }
  const double meanA = mean(timesA), meanB = mean(timesB);
  const double ratio = meanA / meanB;
  std::printf("%s: %.3f ms\n%s: %.3f ms\nratio: %.2f (target at most %.2f) %s\n", a[0], meanA * 1e3,
              b[0], meanB * 1e3, ratio, maxRatio, ratio <= maxRatio ? "PASS" : "FAIL");
  return ratio <= maxRatio ? 0 : 1;
}
