// CPU used by an active callback manager while its touch screen sends
// nothing: a raw-touch callback is registered (so the reader and dispatcher
// threads run) on an emulated touch screen, for the given number of seconds
// (default 10). Prints the CPU time and wake-ups of the manager's two
// threads, and the whole process's CPU time from getrusage (the emulation
// included). Run inside umockdev's preload (tests/support/run-in-umockdev).
#include "support/EmulatedTouchScreen.h"
#include "BenchFigures.h"

#include <Lumo/Lumo.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <set>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

std::set<long> Tasks() {
  std::set<long> tasks;
  if (DIR *dir = opendir("/proc/self/task")) {
    while (const dirent *entry = readdir(dir))
      if (entry->d_name[0] != '.')
        tasks.insert(std::atol(entry->d_name));
    closedir(dir);
  }
  return tasks;
}

// Time the thread has run on a CPU, in seconds (scheduler statistics, in
// nanoseconds).
double TaskCpuSeconds(long tid) {
  std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/schedstat");
  unsigned long long nanoseconds = 0;
  stat >> nanoseconds;
  return nanoseconds / 1e9;
}

void Ignore(void *, const void *) {}

} // namespace

int main(int argc, char **argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;

  EmulatedTouchScreen bed;
  const EmulatedDevice screen = bed.AddTouchScreen();
  void *device = nullptr;
  void *manager = nullptr;
  if (LumoOpenTouchScreenA(screen.sysPath.c_str(), &device) != 0 ||
      LumoCreateCallbackManager(&manager, device) != 0) {
    std::fprintf(stderr, "cannot open the emulated touch screen\n");
    return 1;
  }
  const std::set<long> before = Tasks();
  if (LumoRegisterRawtouchCallback(manager, Ignore, nullptr) != 0) {
    std::fprintf(stderr, "cannot register the raw-touch callback\n");
    return 1;
  }
  std::vector<long> managerThreads;
  for (long tid : Tasks())
    if (!before.count(tid))
      managerThreads.push_back(tid);
  std::this_thread::sleep_for(std::chrono::milliseconds(200)); // settle

  auto threadsCpu = [&] {
    double total = 0;
    for (long tid : managerThreads)
      total += TaskCpuSeconds(tid);
    return total;
  };
  auto threadsWakeups = [&] {
    long total = 0;
    for (long tid : managerThreads)
      total += TaskWakeups(tid);
    return total;
  };

  const double threadsBefore = threadsCpu();
  const long wakeupsBefore = threadsWakeups();
  const double processBefore = ProcessCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count();
  const double threadCpu = threadsCpu() - threadsBefore;
  const long wakeups = threadsWakeups() - wakeupsBefore;
  const double processCpu = ProcessCpuSeconds() - processBefore;

  LumoDeleteCallbackManager(manager);
  LumoCloseTouchScreen(device);

  std::printf("active callback manager, no reports, over %.2f s:\n", wall);
  std::printf("  reader + dispatcher (%zu threads) CPU %.6f s = %.5f %% of a "
              "core, %ld wake-ups (%.2f per second)\n",
              managerThreads.size(), threadCpu, 100.0 * threadCpu / wall,
              wakeups, wakeups / wall);
  std::printf("  whole process CPU (getrusage) %.6f s = %.5f %% of a core "
              "(emulation included)\n",
              processCpu, 100.0 * processCpu / wall);
  return 0;
}
