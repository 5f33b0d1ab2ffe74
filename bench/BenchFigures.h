// What the benchmark drivers measure and print, in one place: percentiles of
// a set of times, the CPU time of the process and of one of its threads, and
// a thread's wake-ups.
#ifndef BENCH_BENCHFIGURES_H
#define BENCH_BENCHFIGURES_H

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <vector>

// The value at fraction p (0..1) of sorted times (nearest rank).
inline double Percentile(const std::vector<double> &sorted, double p) {
  const size_t i = static_cast<size_t>(p * (sorted.size() - 1) + 0.5);
  return sorted[std::min(i, sorted.size() - 1)];
}

// Sorts the times (microseconds) and prints median, 99th percentile, min, max.
inline void PrintLatency(std::vector<double> &microseconds) {
  std::sort(microseconds.begin(), microseconds.end());
  std::printf("  median %.1f us, 99th percentile %.1f us, min %.1f us, max "
              "%.1f us\n",
              Percentile(microseconds, 0.5), Percentile(microseconds, 0.99),
              microseconds.front(), microseconds.back());
}

// CPU time of the whole process so far (user + system), in seconds.
inline double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval &tv) {
    return static_cast<double>(tv.tv_sec) + tv.tv_usec / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Voluntary context switches of one thread of this process: how often it went
// to sleep and was woken. -1 when the thread is unknown.
inline long TaskWakeups(long tid) {
  std::ifstream status("/proc/self/task/" + std::to_string(tid) + "/status");
  const std::string key = "voluntary_ctxt_switches:";
  for (std::string line; std::getline(status, line);)
    if (line.compare(0, key.size(), key) == 0)
      return std::stol(line.substr(key.size()));
  return -1;
}

#endif // BENCH_BENCHFIGURES_H
