// Time from a raw-touch report written to the node of an emulated touch
// screen to the raw-touch callback of a callback manager: the whole path of
// the reader thread, the queue, the dispatcher and the decoder, through the
// exported functions of libLumo.so. Over the given number of reports
// (default 2000); each report is sent once the previous one has reached the
// callback. Prints median, 99th percentile, minimum and maximum.
// Run inside umockdev's preload (tests/support/run-in-umockdev).
#include "support/EmulatedTouchScreen.h"
#include "BenchFigures.h"

#include <Lumo/Lumo.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

struct Arrivals {
  std::mutex mutex;
  std::condition_variable arrived;
  Clock::time_point when; // guarded by mutex
  unsigned scanTime = 0;  // guarded by mutex
  bool any = false;       // guarded by mutex
};

void OnRawTouch(void *user, const void *record) {
  const Clock::time_point now = Clock::now();
  auto *arrivals = static_cast<Arrivals *>(user);
  {
    std::lock_guard<std::mutex> lock(arrivals->mutex);
    arrivals->when = now;
    arrivals->scanTime = static_cast<const _TouchPoint *>(record)->scanTime;
    arrivals->any = true;
  }
  arrivals->arrived.notify_one();
}

} // namespace

int main(int argc, char **argv) {
  const int reports = argc > 1 ? std::atoi(argv[1]) : 2000;
  if (reports <= 0)
    return 2;

  EmulatedTouchScreen bed;
  const EmulatedDevice screen = bed.AddTouchScreen();
  void *device = nullptr;
  void *manager = nullptr;
  if (LumoOpenTouchScreenA(screen.sysPath.c_str(), &device) != 0 ||
      LumoCreateCallbackManager(&manager, device) != 0) {
    std::fprintf(stderr, "cannot open the emulated touch screen\n");
    return 1;
  }
  Arrivals arrivals;
  if (LumoRegisterRawtouchCallback(manager, OnRawTouch, &arrivals) != 0) {
    std::fprintf(stderr, "cannot register the raw-touch callback\n");
    return 1;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));

  // Raw touch: one present, touching contact; the scan time numbers the
  // report.
  std::vector<uint8_t> report(24, 0);
  report[0] = 0x34;
  report[1] = 0x05;
  report[23] = 1;

  std::vector<double> microseconds;
  microseconds.reserve(static_cast<size_t>(reports));
  for (int i = 0; i < reports; ++i) {
    const uint16_t scanTime = static_cast<uint16_t>(i);
    report[21] = static_cast<uint8_t>(scanTime & 0xFF);
    report[22] = static_cast<uint8_t>(scanTime >> 8);
    std::unique_lock<std::mutex> lock(arrivals.mutex);
    arrivals.any = false;
    lock.unlock();
    const Clock::time_point sent = Clock::now();
    bed.SendInputReport(screen, report);
    lock.lock();
    if (!arrivals.arrived.wait_for(lock, std::chrono::seconds(5), [&] {
          return arrivals.any && arrivals.scanTime == scanTime;
        })) {
      std::fprintf(stderr, "report %d did not arrive\n", i);
      return 1;
    }
    microseconds.push_back(
        std::chrono::duration<double, std::micro>(arrivals.when - sent)
            .count());
  }

  LumoDeleteCallbackManager(manager);
  LumoCloseTouchScreen(device);

  std::printf("raw-touch report written to the node -> raw-touch callback, "
              "%d reports:\n",
              reports);
  PrintLatency(microseconds);
  return 0;
}
