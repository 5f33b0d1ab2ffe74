// A thousand register/unregister cycles while the touch screen keeps sending
// reports: every cycle starts and stops both threads, and every report queued
// at a stop is freed unread. Nothing may stay behind: threads and descriptors
// are counted here, memory by LeakSanitizer at exit in the ASan build.
#include "sdk/CallbackRecorder.h"
#include "sdk/InputReportCases.h"
#include "sdk/ProcessCounts.h"
#include "support/EmulatedTouchScreen.h"

#include <Lumo/Lumo.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

std::atomic<unsigned> g_delivered{0};

void CountReport(void *, const void *) {
  ++g_delivered;
}

TEST(CallbackManagerLeakTest, ThousandCyclesWithReportsFlowingLeaveNothing) {
  EmulatedTouchScreen bed;
  const EmulatedDevice screen = bed.AddTouchScreen();
  void *device = nullptr;
  void *manager = nullptr;
  ASSERT_EQ(0, LumoOpenTouchScreenA(screen.sysPath.c_str(), &device));
  ASSERT_EQ(0, LumoCreateCallbackManager(&manager, device));

  const int threadsBefore = ThreadCount();
  const int descriptorsBefore = DescriptorCount();

  // The touch screen sends touch and key reports without pause.
  std::atomic<bool> sending{true};
  std::thread sender([&] {
    const Bytes reports = Concat({TouchReport(0x36, kTouching, kLifted, 1, 2),
                                  TouchReport(0x34, kTouching, kLifted, 1, 2),
                                  VirtualKeyReport(1, 1)});
    while (sending)
      if (!bed.SendInputReport(screen, reports))
        std::this_thread::sleep_for(std::chrono::microseconds(100));
  });

  const LumoReportCallback count = CountReport;
  unsigned cyclesWithReports = 0;
  for (int cycle = 0; cycle < 1000; ++cycle) {
    const unsigned before = g_delivered;
    // Alternate between one kind and two, so that both the first and a
    // later registration, and both the last and an earlier unregistration
    // are exercised.
    if (cycle % 2 == 0) {
      ASSERT_EQ(0, LumoRegisterTouchCallback(manager, count, nullptr));
      ASSERT_EQ(0, LumoRegisterVirtualKeyCallback(manager, count, nullptr));
      ASSERT_EQ(0, LumoUnregisterTouchCallback(manager));
      if (cycle % 4 == 0)
        std::this_thread::sleep_for(std::chrono::microseconds(500));
      ASSERT_EQ(0, LumoUnregisterVirtualKeyCallback(manager));
    } else {
      ASSERT_EQ(0, LumoRegisterRawtouchCallback(manager, count, nullptr));
      if (cycle % 4 == 1)
        std::this_thread::sleep_for(std::chrono::microseconds(500));
      ASSERT_EQ(0, LumoUnregisterAllCallback(manager));
    }
    if (g_delivered != before)
      ++cyclesWithReports;
  }

  // The sender may be blocked in a full node, which only a reader empties.
  sending = false;
  ASSERT_EQ(0, LumoRegisterTouchCallback(manager, count, nullptr));
  sender.join();
  EXPECT_EQ(0, LumoDeleteCallbackManager(manager));

  EXPECT_EQ(threadsBefore, WaitForThreadCount(threadsBefore));
  EXPECT_EQ(descriptorsBefore, DescriptorCount());
  // The reports did flow: a good share of the cycles delivered some.
  EXPECT_GT(cyclesWithReports, 100u);
  EXPECT_EQ(0, LumoCloseTouchScreen(device));
}

} // namespace
