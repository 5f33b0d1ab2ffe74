// Time from an input report written to the node of an emulated touch screen
// to libLumo's read callback, over the given number of reports (default
// 2000). Each report is sent once the previous one has reached the callback,
// so every read holds one report. Prints median, 99th percentile and maximum.
// Run inside umockdev's preload (tests/support/run-in-umockdev).
#include "DeviceContext.h"
#include "InterruptReader.h"
#include "ThreadEvent.h"
#include "support/EmulatedTouchScreen.h"
#include "BenchFigures.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

using namespace LumoVarnok;
using Clock = std::chrono::steady_clock;

namespace {

struct Arrivals {
  std::mutex mutex;
  std::condition_variable arrived;
  Clock::time_point when; // guarded by mutex
  unsigned count = 0;     // guarded by mutex
};

void OnReport(void *user, void *, unsigned int) {
  const Clock::time_point now = Clock::now();
  auto *arrivals = static_cast<Arrivals *>(user);
  {
    std::lock_guard<std::mutex> lock(arrivals->mutex);
    arrivals->when = now;
    ++arrivals->count;
  }
  arrivals->arrived.notify_one();
}

} // namespace

int main(int argc, char **argv) {
  const int reports = argc > 1 ? std::atoi(argv[1]) : 2000;

  EmulatedTouchScreen bed;
  const EmulatedDevice screen = bed.AddTouchScreen();
  void *device = nullptr;
  if (!OpenDeviceA(screen.sysPath.c_str(), &device)) {
    std::fprintf(stderr, "cannot open the emulated touch screen\n");
    return 1;
  }
  Arrivals arrivals;
  void *stop = CreateThreadEvent();
  std::thread loop([&] { ReadInterrupts(device, stop, OnReport, &arrivals); });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));

  // A raw-touch report: ID 0x34, two contacts, scan time, count.
  std::vector<uint8_t> report(24, 0);
  report[0] = 0x34;
  report[1] = 0x05;
  report[23] = 1;

  std::vector<double> microseconds;
  microseconds.reserve(reports);
  for (int i = 0; i < reports; ++i) {
    report[21] = static_cast<uint8_t>(i);
    const Clock::time_point sent = Clock::now();
    bed.SendInputReport(screen, report);
    std::unique_lock<std::mutex> lock(arrivals.mutex);
    if (!arrivals.arrived.wait_for(lock, std::chrono::seconds(5), [&] {
          return arrivals.count == static_cast<unsigned>(i + 1);
        })) {
      std::fprintf(stderr, "report %d did not arrive\n", i);
      return 1;
    }
    microseconds.push_back(
        std::chrono::duration<double, std::micro>(arrivals.when - sent)
            .count());
  }

  ClickThreadEvent(stop);
  loop.join();
  CloseThreadEvent(stop);
  CloseDevice(device);

  std::printf("report written to the node -> ReadInterrupts callback, %d "
              "reports:\n",
              reports);
  PrintLatency(microseconds);
  return 0;
}
