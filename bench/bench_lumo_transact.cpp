// One answered command exchange against an emulated touch screen whose
// controller model answers at once, next to a bare set-feature plus
// get-feature pair with the same request on the same node. Runs the given
// number of rounds (default 2000) of each, interleaved in blocks, and prints
// to standard error:
//  - the feature-report calls of every exchange, counted at the node (an
//    answered exchange must cost exactly one set and one get);
//  - median and 99th percentile time of an exchange and of a bare pair.
// Run inside umockdev's preload, with the library's per-call console lines
// out of the way:
//   tests/support/run-in-umockdev <build>/bench/bench_lumo_transact >/dev/null
#include "DeviceContext.h"
#include "FeatureReport.h"
#include "TransactCommand.h"
#include "support/ControllerModel.h"
#include "support/EmulatedTouchScreen.h"
#include "BenchFigures.h"

#include <Lumo/LumoProtocol.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace LumoVarnok;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kBlock = 100; // rounds of one kind before switching

double Microseconds(Clock::duration d) {
  return std::chrono::duration<double, std::micro>(d).count();
}

void Print(const char *what, std::vector<double> &times) {
  std::sort(times.begin(), times.end());
  std::fprintf(stderr, "%-34s median %8.1f us   p99 %8.1f us   (%zu rounds)\n",
               what, Percentile(times, 0.5), Percentile(times, 0.99),
               times.size());
}

} // namespace

int main(int argc, char **argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 2000;

  EmulatedTouchScreen bed;
  const EmulatedDevice screen = bed.AddTouchScreen();
  ControllerModel controller;
  controller.AttachTo(bed, screen);
  controller.SetRecord(ControllerModel::kMain, 0xA0, {0x05});
  void *device = nullptr;
  if (!OpenDeviceA(screen.sysPath.c_str(), &device)) {
    std::fprintf(stderr, "cannot open the emulated touch screen\n");
    return 1;
  }

  // The request of the exchange (device ID of the main module), as the bare
  // pair sends it too.
  unsigned char request[64] = {0x55, 0x1E, 0x80, 0xA0, 0x00, 0x20};

  std::vector<double> exchange, pair;
  exchange.reserve(rounds);
  pair.reserve(rounds);
  unsigned minCalls = ~0u, maxCalls = 0;
  unsigned failures = 0;
  for (int done = 0; done < rounds; done += kBlock) {
    const int n = std::min(kBlock, rounds - done);
    for (int i = 0; i < n; ++i) {
      const unsigned before =
          bed.SetFeatureCalls(screen) + bed.GetFeatureCalls(screen);
      unsigned char id = 0, length = 1;
      const Clock::time_point start = Clock::now();
      const bool ok = TransactCommand(device, FRAME_GET, 0x80, 0xA0, nullptr, 0,
                                      &id, &length);
      exchange.push_back(Microseconds(Clock::now() - start));
      const unsigned calls =
          bed.SetFeatureCalls(screen) + bed.GetFeatureCalls(screen) - before;
      minCalls = std::min(minCalls, calls);
      maxCalls = std::max(maxCalls, calls);
      failures += !ok || id != 0x05;
    }
    for (int i = 0; i < n; ++i) {
      unsigned char answer[64] = {};
      const Clock::time_point start = Clock::now();
      const bool ok = SetFeature(device, request, sizeof request) &&
                      GetFeature(device, answer, sizeof answer);
      pair.push_back(Microseconds(Clock::now() - start));
      failures += !ok || answer[3] != 0x05;
    }
  }
  CloseDevice(device);
  bed.SetFeatureHandler(screen, nullptr);

  std::fprintf(stderr, "feature calls per answered exchange: min %u, max %u\n",
               minCalls, maxCalls);
  Print("answered exchange (TransactCommand)", exchange);
  Print("bare set-feature + get-feature", pair);
  if (failures)
    std::fprintf(stderr, "%u rounds went wrong\n", failures);
  return failures == 0 && minCalls == 2 && maxCalls == 2 ? 0 : 1;
}
