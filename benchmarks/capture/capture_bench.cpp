// Drives runCommand for the capture benchmarks.
//
//   capture_bench once COMMAND            runs COMMAND once with both streams captured
//   capture_bench overhead N MAX_MS CMD   alternates N runs of CMD with capture on and off;
//                                         exits 1 when capture costs more than MAX_MS each
#include "base/SString.h"
#include "native/launcher/linux/ChildProcess.h"
#include "native/launcher/linux/Console.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double runOnce(const char *command, bool capture) {
  SString out, err;
  CommandOptions options;
  options.capture = capture;
  options.redirect = capture;
  options.standardOutput = &out;
  options.standardError = &err;
  const auto start = Clock::now();
  runCommand(SString(command), options);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double mean(std::vector<double> times) {
  // Drop the slowest tenth: one-off stalls of the machine say nothing about either side.
  std::sort(times.begin(), times.end());
  times.resize(std::max<std::size_t>(1, times.size() - times.size() / 10));
  double sum = 0;
  for (double t : times)
    sum += t;
  return sum / static_cast<double>(times.size());
}

} // namespace

int main(int argc, char **argv) {
  // Progress dots would only disturb the measurement.
  setSilent(true);
  if (argc == 3 && std::strcmp(argv[1], "once") == 0) {
    runOnce(argv[2], /*capture=*/true);
    return 0;
  }
  if (argc == 5 && std::strcmp(argv[1], "overhead") == 0) {
    const int rounds = std::atoi(argv[2]);
    const double maxMilliseconds = std::atof(argv[3]);
    std::vector<double> captured, plain;
    for (int i = 0; i < rounds; ++i) {
      captured.push_back(runOnce(argv[4], true));
      plain.push_back(runOnce(argv[4], false));
    }
    const double difference = (mean(captured) - mean(plain)) * 1e3;
    // The uncaptured runs write to standard output, so the results go to standard error.
    std::fprintf(stderr,
                 "with capture: %.3f ms\nwithout: %.3f ms\ndifference: %.3f ms (target at most "
                 "%.1f ms) %s\n",
                 mean(captured) * 1e3, mean(plain) * 1e3, difference, maxMilliseconds,
                 difference <= maxMilliseconds ? "PASS" : "FAIL");
    return difference <= maxMilliseconds ? 0 : 1;
  }
  std::fprintf(stderr, "usage: capture_bench once COMMAND | overhead N MAX_MS COMMAND\n");
  return 2;
}
