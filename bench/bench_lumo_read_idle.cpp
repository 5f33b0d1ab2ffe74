// CPU used by libLumo's input-report loop while its device is idle: the loop
// runs on a thread of its own on an emulated touch screen that sends nothing,
// for the given number of seconds (default 10). Prints the loop thread's CPU
// time and wake-ups, and the whole process's CPU time (the emulation
// included). Run inside umockdev's preload (tests/support/run-in-umockdev).
#include "DeviceContext.h"
#include "InterruptReader.h"
#include "ThreadEvent.h"
#include "support/EmulatedTouchScreen.h"
#include "BenchFigures.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <pthread.h>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <time.h>
#include <unistd.h>

using namespace LumoVarnok;

namespace {

double ThreadCpuSeconds(pthread_t thread) {
  clockid_t clock;
  timespec ts{};
  if (pthread_getcpuclockid(thread, &clock) == 0)
    clock_gettime(clock, &ts);
  return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

} // namespace

int main(int argc, char **argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;

  EmulatedTouchScreen bed;
  const EmulatedDevice screen = bed.AddTouchScreen();
  void *device = nullptr;
  if (!OpenDeviceA(screen.sysPath.c_str(), &device)) {
    std::fprintf(stderr, "cannot open the emulated touch screen\n");
    return 1;
  }
  void *stop = CreateThreadEvent();
  std::atomic<pid_t> tid{0};
  std::thread loop([&] {
    tid = gettid();
    ReadInterrupts(
        device, stop, [](void *, void *, unsigned int) {}, nullptr);
  });
  while (tid.load() == 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(200)); // settle

  const double threadBefore = ThreadCpuSeconds(loop.native_handle());
  const double processBefore = ProcessCpuSeconds();
  const long wakeupsBefore = TaskWakeups(tid);
  const auto start = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count();
  const double threadCpu =
      ThreadCpuSeconds(loop.native_handle()) - threadBefore;
  const double processCpu = ProcessCpuSeconds() - processBefore;
  const long wakeups = TaskWakeups(tid) - wakeupsBefore;

  ClickThreadEvent(stop);
  loop.join();
  CloseThreadEvent(stop);
  CloseDevice(device);

  std::printf("idle ReadInterrupts over %.2f s:\n", wall);
  std::printf("  loop thread CPU %.6f s = %.5f %% of a core, %ld wake-ups "
              "(%.2f per second)\n",
              threadCpu, 100.0 * threadCpu / wall, wakeups, wakeups / wall);
  std::printf("  whole process CPU %.6f s = %.5f %% of a core (emulation "
              "included)\n",
              processCpu, 100.0 * processCpu / wall);
  return 0;
}
